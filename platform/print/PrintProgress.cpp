#include "platform/print/PrintProgress.h"

#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>

using namespace Qt::StringLiterals;

namespace txl::print {

PrintProgress::PrintProgress(QWidget *parent, const QString &title)
    : QDialog(parent),
      m_label(new QLabel(this)),
      m_bar(new QProgressBar(this)) {
    setObjectName(u"PrintProgress"_s);
    setWindowTitle(title);
    setWindowModality(Qt::ApplicationModal);
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);

    m_bar->setRange(0, 100);
    m_bar->setTextVisible(false);
    auto *cancel = new QPushButton(u"Cancel"_s, this);
    cancel->setObjectName(u"Cancel"_s);
    connect(cancel, &QPushButton::clicked, this, &PrintProgress::cancelRequested);

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(m_label, 0, Qt::AlignHCenter);
    layout->addWidget(m_bar);
    layout->addWidget(cancel, 0, Qt::AlignHCenter);
    setFixedWidth(260);
    setPercent(0);
}

void PrintProgress::setPercent(int percent) {
    m_bar->setValue(percent);
    m_label->setText(u"%1%"_s.arg(percent));
}

QString PrintProgress::percentText() const {
    return m_label->text();
}

void PrintProgress::reject() {
    Q_EMIT cancelRequested();
}

}   // namespace txl::print
