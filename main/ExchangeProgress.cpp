#include "main/ExchangeProgress.h"

#include <QCoreApplication>

using namespace Qt::StringLiterals;

namespace {

ExchangeProgress::Observer &observer() {
    static ExchangeProgress::Observer o;
    return o;
}

}   // namespace

ExchangeProgress::ExchangeProgress(QWidget *parent, const QString &label)
    : m_dialog(label, u"取消"_s, 0, 1000, parent) {
    m_dialog.setObjectName(u"ExchangeProgress"_s);
    m_dialog.setWindowTitle(u"同学录"_s);
    m_dialog.setWindowModality(Qt::ApplicationModal);
    m_dialog.setMinimumDuration(0);   // shown at once, so it blocks the other windows from the start
    m_dialog.setAutoReset(false);
    m_dialog.setAutoClose(false);
    m_dialog.setValue(0);
}

ExchangeProgress::~ExchangeProgress() {
    m_dialog.close();
}

txl::exchange::Progress ExchangeProgress::report() {
    return [this](qint64 done, qint64 total) {
        m_dialog.setValue(total > 0 ? static_cast<int>(done * 1000 / total) : 0);
        if (observer())
            observer()(m_dialog);
        QCoreApplication::processEvents();
        return !m_dialog.wasCanceled();
    };
}

void ExchangeProgress::setObserver(Observer o) {
    observer() = std::move(o);
}
