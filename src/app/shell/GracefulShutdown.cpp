#include "shell/GracefulShutdown.h"

#include "foundation/DelayedCall.h"

#include <QEventLoop>

namespace verandel {

// What ends the nested loop. Shared with the stop, which may still run after the wait gave up on it.
struct GracefulShutdown::Wait
{
    bool stopped = false;
    bool timedOut = false;
    bool aborted = false;
    QEventLoop *loop = nullptr;

    bool isOver() const { return stopped || timedOut || aborted; }
    void wake()
    {
        if (loop) {
            loop->quit();
        }
    }
};

QCoro::Task<> GracefulShutdown::runToCompletion(Stop stop, std::shared_ptr<Wait> wait)
{
    QCoro::Task<> stopping = stop();
    co_await std::move(stopping);
    wait->stopped = true;
    wait->wake();
}

GracefulShutdown::GracefulShutdown(ClockPtr clock, LoggerPtr logger)
    : m_clock(std::move(clock))
    , m_logger(std::move(logger))
{ }

GracefulShutdown::~GracefulShutdown() = default;

void GracefulShutdown::abort()
{
    if (m_wait) {
        m_wait->aborted = true;
        m_wait->wake();
    }
}

GracefulShutdown::Outcome GracefulShutdown::run(const Stop &stop)
{
    m_logger->info(QStringLiteral("Application will terminate - starting graceful shutdown"));
    auto wait = std::make_shared<Wait>();
    m_wait = wait;
    DelayedCall deadline(m_clock);
    deadline.start(timeoutSeconds, [wait] {
        wait->timedOut = true;
        wait->wake();
    });
    // Kept until the end: a stop still running at the deadline is dropped with the process.
    QCoro::Task<> stopping = runToCompletion(stop, wait);
    QEventLoop loop;
    while (!wait->isOver()) {
        wait->loop = &loop;
        const int entered = loop.exec();
        wait->loop = nullptr;
        if (entered < 0) {
            // The loop could not run (the application is exiting): wait for the next event instead.
            loop.processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents);
        }
    }
    m_wait.reset();
    // Finishing as the deadline passes still counts as finishing.
    if (wait->stopped) {
        m_logger->info(QStringLiteral("Graceful shutdown completed successfully"));
        return Outcome::Completed;
    }
    if (wait->aborted) {
        m_logger->warning(QStringLiteral("Graceful shutdown ended by a second quit request"));
        return Outcome::Aborted;
    }
    m_logger->warning(QStringLiteral("Graceful shutdown timed out after 5 seconds"));
    return Outcome::TimedOut;
}

} // namespace verandel
