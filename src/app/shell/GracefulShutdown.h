#pragma once

#include "foundation/ClockProtocol.h"
#include "foundation/LoggerProtocol.h"

#include <QCoro/QCoroTask>

#include <functional>
#include <memory>

namespace verandel {

// Stops the core services when the program quits, waiting at most five seconds. It runs from
// aboutToQuit, after the main loop has returned, so it runs a nested event loop while the stop (which
// needs that loop) makes progress. The nested loop sleeps until an event comes: it ends when the stop
// finishes, when the deadline's timer on the clock fires, or on abort().
class GracefulShutdown
{
public:
    static constexpr double timeoutSeconds = 5.0;

    using Stop = std::function<QCoro::Task<>()>;

    enum class Outcome { Completed, TimedOut, Aborted };

    GracefulShutdown(ClockPtr clock, LoggerPtr logger);
    ~GracefulShutdown();

    // Returns once the stop has finished, five seconds have passed on the clock, or abort() was called.
    Outcome run(const Stop &stop);
    // A second quit signal ends the wait at once.
    void abort();
    bool isRunning() const { return m_wait != nullptr; }

private:
    struct Wait;
    static QCoro::Task<> runToCompletion(Stop stop, std::shared_ptr<Wait> wait);

    ClockPtr m_clock;
    LoggerPtr m_logger;
    std::shared_ptr<Wait> m_wait;
};

} // namespace verandel
