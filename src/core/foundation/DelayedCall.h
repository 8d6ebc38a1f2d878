#pragma once

#include "foundation/ClockProtocol.h"

#include <functional>
#include <optional>
#include <stop_token>

namespace verandel {

// A call made after a wait on the injected clock, once or every interval, until cancelled. Starting
// again cancels the earlier wait; destroying the object cancels it too, so the callback may use its
// owner freely.
class DelayedCall
{
public:
    explicit DelayedCall(ClockPtr clock);
    ~DelayedCall();
    DelayedCall(const DelayedCall &) = delete;
    DelayedCall &operator=(const DelayedCall &) = delete;

    void start(double seconds, std::function<void()> callback);
    void startRepeating(double interval, std::function<void()> callback);
    void cancel();
    bool isPending() const { return m_running.has_value(); }

private:
    static QCoro::Task<> run(ClockPtr clock, double seconds, bool repeating, std::stop_token token,
                             std::function<void()> callback);
    void launch(double seconds, bool repeating, std::function<void()> callback);

    ClockPtr m_clock;
    std::optional<std::stop_source> m_running;
};

} // namespace verandel
