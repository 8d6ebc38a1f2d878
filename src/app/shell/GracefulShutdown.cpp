#include "shell/GracefulShutdown.h"

#include <QEventLoop>

#include <memory>

namespace verandel {

namespace {

QCoro::Task<> runToCompletion(GracefulShutdown::Stop stop, std::shared_ptr<bool> done)
{
    QCoro::Task<> stopping = stop();
    co_await std::move(stopping);
    *done = true;
}

} // namespace

GracefulShutdown::GracefulShutdown(ClockPtr clock, LoggerPtr logger, Slice slice)
    : m_clock(std::move(clock))
    , m_logger(std::move(logger))
    , m_slice(std::move(slice))
{
    if (!m_slice) {
        m_slice = [] {
            QEventLoop loop;
            loop.processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents, sliceMilliseconds);
        };
    }
}

GracefulShutdown::Outcome GracefulShutdown::run(const Stop &stop)
{
    m_logger->info(QStringLiteral("Application will terminate - starting graceful shutdown"));
    m_running = true;
    auto done = std::make_shared<bool>(false);
    const QDateTime deadline = m_clock->now().addMSecs(static_cast<qint64>(timeoutSeconds * 1000));
    // Kept until the end: a stop still running at the deadline is dropped with the process.
    QCoro::Task<> stopping = runToCompletion(stop, done);
    Outcome outcome = Outcome::Completed;
    while (!*done) {
        if (m_aborted) {
            m_logger->warning(QStringLiteral("Graceful shutdown ended by a second quit request"));
            outcome = Outcome::Aborted;
            break;
        }
        if (m_clock->now() >= deadline) {
            m_logger->warning(QStringLiteral("Graceful shutdown timed out after 5 seconds"));
            outcome = Outcome::TimedOut;
            break;
        }
        m_slice();
    }
    if (outcome == Outcome::Completed) {
        m_logger->info(QStringLiteral("Graceful shutdown completed successfully"));
    }
    m_running = false;
    return outcome;
}

} // namespace verandel
