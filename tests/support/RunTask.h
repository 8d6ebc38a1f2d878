#pragma once

#include <QCoreApplication>
#include <QCoro/QCoroTask>
#include <QDeadlineTimer>
#include <QEventLoop>
#include <QTest>

#include <exception>
#include <functional>
#include <optional>
#include <type_traits>

namespace verandel::test {

namespace detail {

template <typename T>
QCoro::Task<> awaitInto(QCoro::Task<T> task, std::optional<T> &result, std::exception_ptr &error, bool &done,
                        QEventLoop &loop)
{
    try {
        result.emplace(co_await std::move(task));
    } catch (...) {
        error = std::current_exception();
    }
    done = true;
    loop.quit();
}

inline QCoro::Task<> awaitVoid(QCoro::Task<> task, std::exception_ptr &error, bool &done, QEventLoop &loop)
{
    try {
        co_await std::move(task);
    } catch (...) {
        error = std::current_exception();
    }
    done = true;
    loop.quit();
}

} // namespace detail

// Runs a coroutine to completion in a nested event loop and rethrows what it threw. Tests only: in the
// program, other handlers would run in the middle of the caller's work.
template <typename T>
T runTask(QCoro::Task<T> task)
{
    QEventLoop loop;
    std::exception_ptr error;
    bool done = false;
    if constexpr (std::is_void_v<T>) {
        auto runner = detail::awaitVoid(std::move(task), error, done, loop);
        if (!done) {
            loop.exec();
        }
        if (error) {
            std::rethrow_exception(error);
        }
    } else {
        std::optional<T> result;
        auto runner = detail::awaitInto(std::move(task), result, error, done, loop);
        if (!done) {
            loop.exec();
        }
        if (error) {
            std::rethrow_exception(error);
        }
        return std::move(*result);
    }
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
