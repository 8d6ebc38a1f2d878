#include "telemetry/MetricsQueueStore.h"

#include <QScopeGuard>

namespace verandel {

MetricsQueueStore::MetricsQueueStore(StorageManagerPtr storageManager, LoggerFactory &loggerFactory, ClockPtr clock)
    : m_storageManager(std::move(storageManager))
    , m_logger(loggerFactory.createLogger(QStringLiteral("MetricsQueueStore")))
    , m_clock(std::move(clock))
{ }

QCoro::Task<> MetricsQueueStore::waitForTurn()
{
    if (!m_busy) {
        m_busy = true;
        co_return;
    }
    const OneShot<bool> turn;
    m_waiting.push_back(turn);
    co_await turn;
}

void MetricsQueueStore::endTurn()
{
    if (m_waiting.empty()) {
        m_busy = false;
        return;
    }
    // The store stays busy: the turn passes straight to the next operation in line.
    OneShot<bool> next = m_waiting.front();
    m_waiting.pop_front();
    next.answer(true);
}

QCoro::Task<QList<MetricsQueueEntry>> MetricsQueueStore::loadQueue()
{
    QString failure;
    try {
        const QString path = m_storageManager->metricsQueueStorageURL();
        QList<MetricsQueueEntry> entries = co_await m_storageManager->readJSON<QList<MetricsQueueEntry>>(path);
        co_return entries;
    } catch (const StorageError &error) {
        if (error.kind() == StorageError::Kind::FileNotFound) {
            co_return QList<MetricsQueueEntry>();
        }
        failure = error.errorDescription();
    } catch (const std::exception &error) {
        failure = describeError(error);
    }
    m_logger->warning(QStringLiteral("Failed to load metrics queue. Treating queue as empty: ") + failure);
    co_return QList<MetricsQueueEntry>();
}

QCoro::Task<> MetricsQueueStore::persist(QList<MetricsQueueEntry> entries)
{
    const QString path = m_storageManager->metricsQueueStorageURL();
    co_await m_storageManager->writeJSON(std::move(entries), path);
}

QCoro::Task<> MetricsQueueStore::append(MetricsEvent event)
{
    const auto self = shared_from_this();
    co_await self->waitForTurn();
    const auto turn = qScopeGuard([self] { self->endTurn(); });
    QList<MetricsQueueEntry> entries = co_await self->loadQueue();
    entries.append(MetricsQueueEntry{std::move(event), self->m_clock->now()});
    if (entries.size() > maxEntries) {
        const qsizetype dropped = entries.size() - maxEntries;
        entries.remove(0, dropped);
        self->m_logger->debug(QStringLiteral("Metrics queue holds more than %1 entries, dropped the %2 oldest")
                                  .arg(QString::number(maxEntries), QString::number(dropped)));
    }
    co_await self->persist(std::move(entries));
}

QCoro::Task<QList<MetricsQueueEntry>> MetricsQueueStore::list()
{
    const auto self = shared_from_this();
    co_await self->waitForTurn();
    const auto turn = qScopeGuard([self] { self->endTurn(); });
    QList<MetricsQueueEntry> entries = co_await self->loadQueue();
    co_return entries;
}

QCoro::Task<std::optional<MetricsQueueEntry>> MetricsQueueStore::newest()
{
    const QList<MetricsQueueEntry> entries = co_await list();
    std::optional<MetricsQueueEntry> best;
    for (const MetricsQueueEntry &entry : entries) {
        // ">=": of equal dates the later entry in the file wins.
        if (!best || entry.enqueuedAt >= best->enqueuedAt) {
            best = entry;
        }
    }
    co_return best;
}

QCoro::Task<> MetricsQueueStore::remove(QUuid eventID)
{
    const auto self = shared_from_this();
    co_await self->waitForTurn();
    const auto turn = qScopeGuard([self] { self->endTurn(); });
    QList<MetricsQueueEntry> entries = co_await self->loadQueue();
    entries.removeIf([&eventID](const MetricsQueueEntry &entry) { return entry.event.id == eventID; });
    co_await self->persist(std::move(entries));
}

QCoro::Task<> MetricsQueueStore::removeAll()
{
    const auto self = shared_from_this();
    co_await self->waitForTurn();
    const auto turn = qScopeGuard([self] { self->endTurn(); });
    QList<MetricsQueueEntry> empty;
    co_await self->persist(std::move(empty));
}

} // namespace verandel
