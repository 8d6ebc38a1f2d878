#pragma once

#include "foundation/BlockingWait.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QTest>

#include <functional>

namespace verandel::test {

// Runs a coroutine to completion (rethrowing what it threw).
template <typename T>
T runTask(QCoro::Task<T> task)
{
    return waitBlocking(std::move(task));
}

// Processes events until the condition holds or the real-time limit passes; for waiting on real I/O.
inline bool waitUntil(const std::function<bool()> &condition, int timeoutMs = 5000)
{
    QDeadlineTimer deadline(timeoutMs);
    while (!condition()) {
        if (deadline.hasExpired()) {
            return false;
        }
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        QTest::qWait(1);
    }
    return true;
}

// Delivers what services announced through queued connections; a view model takes it after the delivery.
inline void settle()
{
    for (int i = 0; i < 3; ++i) {
        QCoreApplication::processEvents();
    }
}

} // namespace verandel::test
