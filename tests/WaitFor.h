#pragma once
// Waits for a condition that other threads or queued signals bring about, handling the test thread's
// events meanwhile. The limit only keeps a broken run from hanging; no test relies on how long it takes.

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QThread>

template <typename Predicate>
bool WaitFor(Predicate done, int milliseconds = 60000) {
    QElapsedTimer clock;
    clock.start();
    while (!done()) {
        if (clock.elapsed() > milliseconds) return false;
        QCoreApplication::processEvents();
        QThread::msleep(10);
    }
    return true;
}
