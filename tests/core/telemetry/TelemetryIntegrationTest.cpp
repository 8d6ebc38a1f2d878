#include "telemetry/DefaultMetricsConsentProvider.h"
#include "telemetry/DefaultMetricsRuntimeMetadataProvider.h"
#include "telemetry/MetricsDispatchScheduler.h"
#include "telemetry/MetricsDispatcher.h"
#include "telemetry/MetricsPublisher.h"
#include "telemetry/MetricsQueueStore.h"
#include "telemetry/NetworkAccessMetricsHTTPClient.h"
#include "telemetry/TelemetryPreferencesStore.h"

#include "TelemetryTestEvents.h"
#include "support/QtPrinters.h"
#include "support/RunTask.h"
#include "support/StoreFixture.h"

using namespace verandel;
using namespace std::chrono_literals;

namespace {

// The whole telemetry path on real parts: files in a temporary directory, beacons over loopback
// HTTP, the scheduler's ticks in virtual time.
class TelemetryIntegrationTest : public test::StoreFixture
{
protected:
    void SetUp() override
    {
        StoreFixture::SetUp();
        m_clock->setAutoAdvance(false);
        m_queue = std::make_shared<MetricsQueueStore>(m_storage, m_logs, m_clock);
        m_preferences = std::make_shared<TelemetryPreferencesStore>(m_storage, m_queue, m_logs);
        const auto consent = std::make_shared<DefaultMetricsConsentProvider>(m_preferences);
        const auto dispatcher = std::make_shared<MetricsDispatcher>(
            m_queue, MetricsTransportEncoder(m_responder.baseURL()),
            std::make_shared<NetworkAccessMetricsHTTPClient>(5s), consent, m_logs);
        m_scheduler = MetricsDispatchScheduler::create(dispatcher, m_logs,
                                                       MetricsDispatchScheduler::defaultRetryInterval, m_clock);
        m_publisher = std::make_shared<MetricsPublisher>(
            m_queue, consent, std::make_shared<DefaultMetricsRuntimeMetadataProvider>(), m_scheduler, m_logs);
    }
    void TearDown() override { m_scheduler->stop(); }

    // Publishes one event a second; returns the ids in order of publishing.
    QList<QUuid> publish(int count, const QString &installation = test::installationId)
    {
        QList<QUuid> ids;
        for (int i = 0; i < count; ++i) {
            m_clock->advance(1);
            const MetricsEvent event = MetricsEvent::macLinkEstablished(installation, m_clock->now(), test::peerId);
            ids.append(event.id);
            m_publisher->publish(event);
        }
        return ids;
    }
    QList<QUuid> queued() { return test::eventIds(test::runTask(m_queue->list())); }
    QList<QUuid> sent() const { return test::sentEventIds(m_responder); }
    bool waitForQueue(qsizetype size)
    {
        return test::waitUntil([&] { return queued().size() == size; });
    }
    qsizetype cyclesRun() const
    {
        return m_logs.messages(LogLevel::Debug, QStringLiteral("MetricsDispatchScheduler"))
            .filter(QStringLiteral("Running metrics dispatch cycle"))
            .size();
    }

    test::BeaconResponder m_responder;
    std::shared_ptr<MetricsQueueStore> m_queue;
    std::shared_ptr<TelemetryPreferencesStore> m_preferences;
    std::shared_ptr<MetricsDispatchScheduler> m_scheduler;
    std::shared_ptr<MetricsPublisher> m_publisher;
};

TEST_F(TelemetryIntegrationTest, QueuedEventsGoOutTenPerCycleNewestFirst)
{
    const QList<QUuid> ids = publish(12);
    ASSERT_TRUE(waitForQueue(12));
    EXPECT_TRUE(m_responder.requests().isEmpty()); // the scheduler is not started yet

    m_scheduler->start();
    ASSERT_TRUE(test::waitUntil(
        [&] { return m_logs.contains(LogLevel::Debug, QStringLiteral("Dispatched 10 metrics events")); }));
    EXPECT_EQ(sent(), (QList<QUuid>{ids.rbegin(), ids.rbegin() + 10}));
    EXPECT_EQ(queued(), ids.first(2));

    m_clock->advance(MetricsDispatchScheduler::defaultRetryInterval);
    ASSERT_TRUE(waitForQueue(0));
    EXPECT_EQ(sent(), (QList<QUuid>{ids.rbegin(), ids.rend()}));
    EXPECT_TRUE(m_responder.requests().first().target.startsWith("/ba.gif?v=1&e=ml&"));
    EXPECT_TRUE(
        m_logs.contains(LogLevel::Debug, QStringLiteral("Running metrics dispatch cycle for reason: periodic")));
}

TEST_F(TelemetryIntegrationTest, AnEventThatCannotBeSentDoesNotHoldBackTheOthers)
{
    const QList<QUuid> older = publish(1);
    publish(1, QStringLiteral("not an installation id"));
    const QList<QUuid> newer = publish(1);
    ASSERT_TRUE(waitForQueue(3));

    m_scheduler->start();
    ASSERT_TRUE(waitForQueue(0));
    EXPECT_EQ(sent(), (QList<QUuid>{newer[0], older[0]}));
    EXPECT_TRUE(m_logs.contains(LogLevel::Warning,
                                QStringLiteral("Dropped metrics event mac_link_established that cannot be encoded: "
                                               "Invalid identifier for query key \"u\"")));
    EXPECT_EQ(cyclesRun(), 1);
}

// A tray program idles all day: a cycle that finds no queue file yet must leave nothing in the log.
TEST_F(TelemetryIntegrationTest, CyclesOverAQueueNotWrittenYetLogNothingAtInfoOrAbove)
{
    m_scheduler->start();
    for (int tick = 0; tick < 3; ++tick) {
        ASSERT_TRUE(test::waitUntil([&] { return cyclesRun() == tick + 1; }));
        m_clock->advance(MetricsDispatchScheduler::defaultRetryInterval);
    }
    // Cycles never overlap: once the fourth has begun, the first three have ended.
    ASSERT_TRUE(test::waitUntil([&] { return cyclesRun() == 4; }));
    QStringList loud;
    for (const test::LogRecord &record : m_logs.records()) {
        if (!(record.level < LogLevel::Info)) {
            loud.append(record.category + QStringLiteral(": ") + record.message);
        }
    }
    EXPECT_TRUE(loud.isEmpty()) << loud.join(u'\n').toStdString();
    EXPECT_FALSE(exists(QStringLiteral("metrics-queue.json")));
}

TEST_F(TelemetryIntegrationTest, AnOptOutLeavesNothingToSendAfterALaterOptIn)
{
    publish(3);
    ASSERT_TRUE(waitForQueue(3));
    test::runTask(m_preferences->setMetricsOptInEnabled(false));
    EXPECT_TRUE(queued().isEmpty());
    publish(1);
    test::runTask(m_preferences->setMetricsOptInEnabled(true));

    m_scheduler->start();
    m_clock->advance(MetricsDispatchScheduler::defaultRetryInterval);
    ASSERT_TRUE(test::waitUntil([&] { return cyclesRun() == 2; }));
    EXPECT_TRUE(queued().isEmpty());
    EXPECT_TRUE(m_responder.requests().isEmpty());
}

} // namespace
