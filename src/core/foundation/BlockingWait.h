#pragma once

#include <QCoro/QCoroTask>
#include <QEventLoop>

#include <exception>
#include <optional>
#include <type_traits>

namespace verandel {

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

// Runs a task to completion in a nested event loop and rethrows what it threw. For tests only: in the
// program, other handlers would run in the middle of the caller's work.
template <typename T>
T waitBlocking(QCoro::Task<T> task)
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

} // namespace verandel
