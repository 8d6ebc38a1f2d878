#pragma once

#include "foundation/ClockProtocol.h"
#include "foundation/LoggerProtocol.h"

#include <QCoro/QCoroTask>

#include <functional>

namespace verandel {

// Stops the core services when the program quits, waiting at most five seconds. It runs from
// aboutToQuit, after the main loop has returned, so it spins the event loop itself in short slices
// while the stop (which needs that loop) makes progress.
class GracefulShutdown
{
public:
    static constexpr double timeoutSeconds = 5.0;
    static constexpr int sliceMilliseconds = 10;

    using Stop = std::function<QCoro::Task<>()>;
    // One slice of the loop: by default the events that arrive within 10 ms.
    using Slice = std::function<void()>;

    enum class Outcome { Completed, TimedOut, Aborted };

    GracefulShutdown(ClockPtr clock, LoggerPtr logger, Slice slice = {});

    // Returns once the stop has finished, five seconds have passed on the clock, or abort() was called.
    Outcome run(const Stop &stop);
    // A second quit signal ends the wait at once.
    void abort() { m_aborted = true; }
    bool isRunning() const { return m_running; }

private:
    ClockPtr m_clock;
    LoggerPtr m_logger;
    Slice m_slice;
    bool m_running = false;
    bool m_aborted = false;
};

} // namespace verandel
