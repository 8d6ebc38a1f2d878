#pragma once

#include "telemetry/MetricsQueueEntry.h"

#include <QCoro/QCoroTask>
#include <QList>
#include <QUuid>

#include <memory>
#include <optional>

namespace verandel {

// The durable queue of events waiting to be sent, shared by the publisher, the dispatcher and the
// telemetry preferences. The changing operations throw StorageError when the file cannot be written.
class MetricsQueueStoreProtocol
{
public:
    virtual ~MetricsQueueStoreProtocol() = default;

    // Adds the event at the end, stamped with the store's clock.
    virtual QCoro::Task<> append(MetricsEvent event) = 0;
    // Every entry, oldest first; an unreadable queue is empty.
    virtual QCoro::Task<QList<MetricsQueueEntry>> list() = 0;
    // The entry queued last by date; of entries with equal dates the later one in the queue.
    virtual QCoro::Task<std::optional<MetricsQueueEntry>> newest() = 0;
    // Removes every entry of that event.
    virtual QCoro::Task<> remove(QUuid eventID) = 0;
    virtual QCoro::Task<> removeAll() = 0;
};

using MetricsQueueStorePtr = std::shared_ptr<MetricsQueueStoreProtocol>;

} // namespace verandel
