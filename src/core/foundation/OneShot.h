#pragma once

#include <QCoreApplication>
#include <QMetaObject>
#include <QThread>
#include <QTimer>

#include <coroutine>
#include <exception>
#include <memory>
#include <optional>

namespace verandel {

// One answer for one waiting coroutine, given by whichever path answers first (a socket callback, a
// time-out). Later answers are ignored, so the waiter is resumed exactly once. The waiter resumes
// from the event loop, never inside the call that answers, so the answering code may go on using
// (and tearing down) its own objects. Copies share one answer.
template <typename T>
class OneShot
{
public:
    OneShot()
        : m_state(std::make_shared<State>())
    { }

    bool isAnswered() const { return m_state->answered; }

    // True when this call gave the answer.
    bool answer(T value)
    {
        if (m_state->answered) {
            return false;
        }
        m_state->value.emplace(std::move(value));
        finish();
        return true;
    }

    bool fail(std::exception_ptr error)
    {
        if (m_state->answered) {
            return false;
        }
        m_state->error = std::move(error);
        finish();
        return true;
    }

    // At most one coroutine may wait.
    auto operator co_await() const { return Awaiter(m_state); }

private:
    struct State
    {
        bool answered = false;
        std::optional<T> value;
        std::exception_ptr error;
        std::coroutine_handle<> waiter;
        std::unique_ptr<QTimer> resumer;
        // The waiting frame went away before it was resumed.
        bool abandoned = false;
    };

    struct Awaiter
    {
        std::shared_ptr<State> state;
        bool suspended = false;

        Awaiter(std::shared_ptr<State> shared)
            : state(std::move(shared))
        { }
        Awaiter(const Awaiter &) = delete;
        Awaiter &operator=(const Awaiter &) = delete;
        // Destroyed while suspended: its frame was destroyed, so nothing may resume it.
        ~Awaiter()
        {
            if (suspended) {
                state->abandoned = true;
                state->waiter = {};
                state->resumer.reset();
            }
        }

        bool await_ready() const { return state->answered; }
        void await_suspend(std::coroutine_handle<> handle)
        {
            state->waiter = handle;
            suspended = true;
        }
        T await_resume()
        {
            suspended = false;
            if (state->error) {
                std::rethrow_exception(state->error);
            }
            return std::move(*state->value);
        }
    };

    void finish()
    {
        m_state->answered = true;
        const std::coroutine_handle<> waiter = std::exchange(m_state->waiter, {});
        if (!waiter) {
            return;
        }
        QCoreApplication *application = QCoreApplication::instance();
        if (QThread::currentThread() != application->thread()) {
            QMetaObject::invokeMethod(
                application,
                [state = m_state, waiter] {
                    if (!state->abandoned) {
                        waiter.resume();
                    }
                },
                Qt::QueuedConnection);
            return;
        }
        // On the loop's thread a timer made due resumes it: answers come from the loop's own work, and
        // a posted call would wake the loop (a write) for nothing.
        m_state->resumer = std::make_unique<QTimer>();
        m_state->resumer->setSingleShot(true);
        QObject::connect(m_state->resumer.get(), &QTimer::timeout, m_state->resumer.get(),
                         [waiter] { waiter.resume(); });
        m_state->resumer->start(0);
    }

    std::shared_ptr<State> m_state;
};

} // namespace verandel
