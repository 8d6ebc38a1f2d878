#pragma once

#include <QCoreApplication>
#include <QMetaObject>

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
    auto operator co_await() const { return Awaiter{m_state}; }

private:
    struct State
    {
        bool answered = false;
        std::optional<T> value;
        std::exception_ptr error;
        std::coroutine_handle<> waiter;
    };

    struct Awaiter
    {
        std::shared_ptr<State> state;

        bool await_ready() const { return state->answered; }
        void await_suspend(std::coroutine_handle<> handle) { state->waiter = handle; }
        T await_resume()
        {
            if (state->error) {
                std::rethrow_exception(state->error);
            }
            return std::move(*state->value);
        }
    };

    void finish()
    {
        m_state->answered = true;
        if (const std::coroutine_handle<> waiter = std::exchange(m_state->waiter, {})) {
            QMetaObject::invokeMethod(
                QCoreApplication::instance(), [state = m_state, waiter] { waiter.resume(); }, Qt::QueuedConnection);
        }
    }

    std::shared_ptr<State> m_state;
};

} // namespace verandel
