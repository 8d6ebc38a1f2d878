#include "telemetry/MetricsDispatcher.h"
#include "telemetry/NetworkAccessMetricsHTTPClient.h"

#include "TelemetryTestEvents.h"
#include "support/QtPrinters.h"
#include "support/RunTask.h"
#include "support/fakes/FakeMetricsConsentProvider.h"
#include "support/fakes/FakeMetricsQueueStore.h"
#include "support/fakes/RecordingLoggerFactory.h"

#include <gtest/gtest.h>

using namespace verandel;

namespace {

const QString category = QStringLiteral("MetricsDispatcher");

class MetricsDispatcherTest : public ::testing::Test
{
protected:
    // Queues events oldest first; returns their ids in that order.
    QList<QUuid> queue(int count, MetricsEventName name = MetricsEventName::TransferRequested)
    {
        QList<QUuid> ids;
        for (int i = 0; i < count; ++i) {
            const MetricsEvent event = test::freshEventNamed(name);
            ids.append(event.id);
            m_queue->entries.append(MetricsQueueEntry{event, {}});
        }
        return ids;
    }
    void runCycle() { test::runTask(m_dispatcher->dispatchNextPendingEvent()); }
    QList<QUuid> sentIds() const { return test::sentEventIds(m_responder); }
    QList<QUuid> queuedIds() const { return test::eventIds(m_queue->entries); }

    test::BeaconResponder m_responder;
    test::RecordingLoggerFactory m_logs;
    std::shared_ptr<test::FakeMetricsQueueStore> m_queue = std::make_shared<test::FakeMetricsQueueStore>();
    std::shared_ptr<test::FakeMetricsConsentProvider> m_consent = std::make_shared<test::FakeMetricsConsentProvider>();
    std::shared_ptr<MetricsDispatcher> m_dispatcher
        = std::make_shared<MetricsDispatcher>(m_queue, MetricsTransportEncoder(m_responder.baseURL()),
                                              std::make_shared<NetworkAccessMetricsHTTPClient>(), m_consent, m_logs);
};

TEST_F(MetricsDispatcherTest, NothingIsSentWithoutConsent)
{
    const QList<QUuid> ids = queue(2);
    m_consent->enabled = false;
    runCycle();
    runCycle();
    EXPECT_TRUE(m_responder.requests().isEmpty());
    EXPECT_EQ(queuedIds(), ids);
    EXPECT_EQ(m_logs.messages(LogLevel::Debug, category),
              QStringList(2, QStringLiteral("Skipping metrics dispatch because telemetry opt-in is disabled")));
}

TEST_F(MetricsDispatcherTest, TenPerCycleNewestFirst)
{
    const QList<QUuid> ids = queue(12);
    runCycle();
    EXPECT_EQ(sentIds(), (QList<QUuid>{ids.rbegin(), ids.rbegin() + 10}));
    EXPECT_EQ(queuedIds(), ids.first(2));
    EXPECT_EQ(m_logs.messages(LogLevel::Debug, category), QStringList{QStringLiteral("Dispatched 10 metrics events")});

    runCycle();
    EXPECT_EQ(sentIds(), (QList<QUuid>{ids.rbegin(), ids.rend()}));
    EXPECT_TRUE(queuedIds().isEmpty());
    EXPECT_EQ(m_logs.messages(LogLevel::Debug, category).size(), 1);

    // An empty queue: one look, nothing sent, nothing logged.
    runCycle();
    EXPECT_EQ(m_responder.requests().size(), 12);
    EXPECT_EQ(m_logs.allMessages().size(), 1);
}

TEST_F(MetricsDispatcherTest, AFailedSendEndsTheCycleAndStaysQueued)
{
    const QList<QUuid> ids = queue(3);
    m_queue->entries[1].event.name = MetricsEventName::DeviceUnpairResult;
    m_responder.script({204, 500});
    runCycle();
    EXPECT_EQ(sentIds(), (QList<QUuid>{ids[2], ids[1]}));
    EXPECT_EQ(queuedIds(), ids.first(2));
    EXPECT_EQ(m_logs.messages(LogLevel::Warning, category),
              QStringList{QStringLiteral("Failed to dispatch metrics event device_unpair_result: "
                                         "Unsuccessful HTTP status code 500")});

    // The failed event is still the newest, so it goes first next time.
    runCycle();
    EXPECT_EQ(sentIds().mid(2), (QList<QUuid>{ids[1], ids[0]}));
    EXPECT_TRUE(queuedIds().isEmpty());
}

TEST_F(MetricsDispatcherTest, AnEventThatCannotBeEncodedIsDroppedAndTheCycleGoesOn)
{
    const QList<QUuid> older = queue(2);
    const QList<QUuid> poison = queue(1, MetricsEventName::SharedDeviceAdded);
    m_queue->entries.last().event.installationId = QStringLiteral("not an id");
    const QList<QUuid> newer = queue(1);

    runCycle();
    EXPECT_EQ(sentIds(), (QList<QUuid>{newer[0], older[1], older[0]}));
    EXPECT_TRUE(queuedIds().isEmpty());
    EXPECT_EQ(m_logs.messages(LogLevel::Warning, category),
              QStringList{QStringLiteral("Dropped metrics event shared_device_added that cannot be encoded: "
                                         "Invalid identifier for query key \"u\"")});
}

} // namespace
