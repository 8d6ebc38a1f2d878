#pragma once

#include "foundation/ClockProtocol.h"
#include "foundation/LoggerFactory.h"
#include "foundation/OneShot.h"
#include "foundation/StorageManager.h"
#include "telemetry/MetricsQueueStoreProtocol.h"

#include <deque>

namespace verandel {

// The queue in "metrics-queue.json", oldest entry first. Nothing is kept in memory: every operation
// reads the file and writes the whole list back. Operations take turns, so an append and a removal
// that overlap (a storage retry suspends one) cannot undo each other.
//
// Always held by shared_ptr: an operation in progress keeps its store alive.
class MetricsQueueStore final : public MetricsQueueStoreProtocol, public std::enable_shared_from_this<MetricsQueueStore>
{
public:
    // While sending fails the queue would grow without end; the oldest entries give way.
    static constexpr qsizetype maxEntries = 500;

    MetricsQueueStore(StorageManagerPtr storageManager, LoggerFactory &loggerFactory, ClockPtr clock);

    QCoro::Task<> append(MetricsEvent event) override;
    QCoro::Task<QList<MetricsQueueEntry>> list() override;
    QCoro::Task<std::optional<MetricsQueueEntry>> newest() override;
    QCoro::Task<> remove(QUuid eventID) override;
    QCoro::Task<> removeAll() override;

private:
    QCoro::Task<> waitForTurn();
    void endTurn();
    // A missing file is empty silently; an unreadable one is empty with a warning.
    QCoro::Task<QList<MetricsQueueEntry>> loadQueue();
    QCoro::Task<> persist(QList<MetricsQueueEntry> entries);

    StorageManagerPtr m_storageManager;
    LoggerPtr m_logger;
    ClockPtr m_clock;
    bool m_busy = false;
    std::deque<OneShot<bool>> m_waiting;
};

} // namespace verandel
