#pragma once

#include "foundation/OneShot.h"
#include "foundation/StorageError.h"
#include "telemetry/MetricsQueueStoreProtocol.h"

#include <functional>

namespace verandel::test {

// The queue in memory. Errors can be set per operation, and removeAll() can be held after it has
// emptied the queue, to look at what happens while its caller waits.
class FakeMetricsQueueStore final : public MetricsQueueStoreProtocol
{
public:
    QList<MetricsQueueEntry> entries;
    QDateTime now = QDateTime(QDate(2026, 1, 1), QTime(0, 0), Qt::UTC);
    std::optional<StorageError> stubbedAppendError;
    std::optional<StorageError> stubbedRemoveAllError;
    std::function<void()> onRemoveAll;
    int appendCalls = 0;
    int removeAllCalls = 0;

    // The next removeAll() waits, with the queue already empty, until releaseRemoveAll().
    void holdNextRemoveAll() { m_hold.emplace(); }
    void releaseRemoveAll()
    {
        if (std::optional<OneShot<bool>> hold = std::exchange(m_hold, std::nullopt)) {
            hold->answer(true);
        }
    }

    QCoro::Task<> append(MetricsEvent event) override
    {
        ++appendCalls;
        if (stubbedAppendError) {
            throw *stubbedAppendError;
        }
        entries.append(MetricsQueueEntry{std::move(event), now});
        co_return;
    }
    QCoro::Task<QList<MetricsQueueEntry>> list() override
    {
        QList<MetricsQueueEntry> copy = entries;
        co_return copy;
    }
    QCoro::Task<std::optional<MetricsQueueEntry>> newest() override
    {
        std::optional<MetricsQueueEntry> last;
        if (!entries.isEmpty()) {
            last = entries.last();
        }
        co_return last;
    }
    QCoro::Task<> remove(QUuid eventID) override
    {
        entries.removeIf([&eventID](const MetricsQueueEntry &entry) { return entry.event.id == eventID; });
        co_return;
    }
    QCoro::Task<> removeAll() override
    {
        ++removeAllCalls;
        if (onRemoveAll) {
            onRemoveAll();
        }
        if (stubbedRemoveAllError) {
            throw *stubbedRemoveAllError;
        }
        entries.clear();
        if (m_hold) {
            const OneShot<bool> hold = *m_hold;
            co_await hold;
        }
    }

private:
    std::optional<OneShot<bool>> m_hold;
};

} // namespace verandel::test
