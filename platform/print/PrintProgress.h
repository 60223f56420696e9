#pragma once

#include <QDialog>

class QLabel;
class QProgressBar;

namespace txl::print {

// The small window shown while a report goes to the printer or into a file: the percentage made and
// "Cancel".
class PrintProgress : public QDialog {
    Q_OBJECT

public:
    PrintProgress(QWidget *parent, const QString &title);

    void setPercent(int percent);
    QString percentText() const;

Q_SIGNALS:
    void cancelRequested();

protected:
    void reject() override;   // Esc and the close box cancel, as the button does

private:
    QLabel *m_label;
    QProgressBar *m_bar;
};

}   // namespace txl::print
