#pragma once

#include "exchange/Records.h"

#include <QProgressDialog>
#include <QString>

#include <functional>

class QWidget;

// The progress window of a long import or export: a bar, a 取消 button, and the event loop kept
// running between steps so every window goes on redrawing.
class ExchangeProgress {
public:
    ExchangeProgress(QWidget *parent, const QString &label);
    ~ExchangeProgress();
    ExchangeProgress(const ExchangeProgress &) = delete;
    ExchangeProgress &operator=(const ExchangeProgress &) = delete;

    // What the exchange functions report to.
    txl::exchange::Progress report();

    // Test hook: called at every step with the window, which a test may cancel.
    using Observer = std::function<void(QProgressDialog &)>;
    static void setObserver(Observer observer);

private:
    QProgressDialog m_dialog;
};
