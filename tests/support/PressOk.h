#pragma once

#include "app/Main.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QPushButton>

namespace tavrel::test {

// Presses OK and lets the window's event loop work until the run, which
// works on a thread of its own, has ended and the window has heard of it.
inline void pressOk(Main& window, int timeoutMs = 120000) {
    window.cmdOK->click();
    QElapsedTimer waited;
    waited.start();
    while (window.runRunning() && waited.elapsed() < timeoutMs)
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 20);
    QCoreApplication::processEvents();
}

} // namespace tavrel::test
