#include "telemetry/MetricsPublisher.h"
#include "telemetry/DefaultMetricsConsentProvider.h"
#include "telemetry/DefaultMetricsRuntimeMetadataProvider.h"

#include "TelemetryTestEvents.h"
#include "support/QtPrinters.h"
#include "support/RunTask.h"
#include "support/StoreFixture.h"
#include "support/fakes/FakeMetricsQueueStore.h"
#include "support/fakes/RecordingMetricsDispatchRequester.h"

#include <QCoreApplication>

using namespace verandel;

namespace {

const QString category = QStringLiteral("MetricsPublisher");
const QString droppedAtPublish = QStringLiteral("Dropped metrics event because telemetry opt-in is disabled: ");
const QString droppedAtEnqueue
    = QStringLiteral("Dropped metrics event before durable enqueue because telemetry opt-in was disabled: ");

class MetricsPublisherTest : public test::StoreFixture
{
protected:
    void SetUp() override
    {
        StoreFixture::SetUp();
        m_preferences = std::make_shared<TelemetryPreferencesStore>(m_storage, m_queue, m_logs);
        m_publisher = std::make_unique<MetricsPublisher>(
            m_queue, std::make_shared<DefaultMetricsConsentProvider>(m_preferences), m_metadata, m_requester, m_logs);
    }
    static void settle()
    {
        for (int i = 0; i < 10; ++i) {
            QCoreApplication::processEvents();
        }
    }
    static MetricsEvent pairResult()
    {
        return MetricsEvent::devicePairResult(test::installationId, test::occurredAt, test::peerId, test::deviceId,
                                              MetricsResult::Success, std::nullopt, std::nullopt, std::nullopt,
                                              std::nullopt);
    }
    void setOptIn(bool enabled) { test::runTask(m_preferences->setMetricsOptInEnabled(enabled)); }
    QStringList infoLines() const { return m_logs.messages(LogLevel::Info, category); }

    std::shared_ptr<test::FakeMetricsQueueStore> m_queue = std::make_shared<test::FakeMetricsQueueStore>();
    std::shared_ptr<test::RecordingMetricsDispatchRequester> m_requester
        = std::make_shared<test::RecordingMetricsDispatchRequester>();
    std::shared_ptr<DefaultMetricsRuntimeMetadataProvider> m_metadata
        = std::make_shared<DefaultMetricsRuntimeMetadataProvider>(QStringLiteral("2.0"), MetricsAppPlatform::LinuxArm64,
                                                                  QStringLiteral("13"), false);
    std::shared_ptr<TelemetryPreferencesStore> m_preferences;
    std::unique_ptr<MetricsPublisher> m_publisher;
};

TEST_F(MetricsPublisherTest, AConsentedEventIsStampedQueuedAndDispatchedLater)
{
    MetricsEvent event = pairResult();
    event.runtimeMetadata = test::sampleMetadata();
    m_publisher->publish(event);
    EXPECT_EQ(m_queue->appendCalls, 0); // nothing happens in the caller's call
    m_publisher.reset(); // nor does the enqueue need the publisher
    settle();

    ASSERT_EQ(m_queue->entries.size(), 1);
    const MetricsEvent queued = m_queue->entries[0].event;
    EXPECT_EQ(queued.id, event.id);
    EXPECT_EQ(queued.runtimeMetadata, m_metadata->currentMetricsRuntimeMetadata());
    EXPECT_EQ(queued.runtimeMetadata->osVersion, QStringLiteral("13.0.0"));
    EXPECT_EQ(m_requester->reasons, QStringList{QStringLiteral("enqueue")});
}

TEST_F(MetricsPublisherTest, ABurstIsQueuedInOrderWithOneRequestEach)
{
    QList<QUuid> ids;
    for (int i = 0; i < 10; ++i) {
        const MetricsEvent event = pairResult();
        ids.append(event.id);
        m_publisher->publish(event);
    }
    settle();
    ASSERT_EQ(m_queue->entries.size(), 10);
    for (int i = 0; i < 10; ++i) {
        EXPECT_EQ(m_queue->entries[i].event.id, ids[i]);
    }
    EXPECT_EQ(m_requester->reasons, QStringList(10, QStringLiteral("enqueue")));
}

TEST_F(MetricsPublisherTest, AFailedAppendLosesTheEventWithAWarning)
{
    m_queue->stubbedAppendError = StorageError::diskFull();
    m_publisher->publish(MetricsEvent::macLinkEstablished(test::installationId, test::occurredAt, test::peerId));
    settle();
    EXPECT_EQ(m_queue->appendCalls, 1);
    EXPECT_TRUE(m_requester->reasons.isEmpty());
    const QStringList warnings = m_logs.messages(LogLevel::Warning, category);
    ASSERT_EQ(warnings.size(), 1);
    EXPECT_TRUE(warnings[0].startsWith(QStringLiteral("Failed to enqueue metrics event mac_link_established: ")));
}

TEST_F(MetricsPublisherTest, WithoutConsentNothingIsQueued)
{
    setOptIn(false);
    m_publisher->publish(pairResult());
    settle();
    EXPECT_EQ(m_queue->appendCalls, 0);
    EXPECT_TRUE(m_requester->reasons.isEmpty());
    EXPECT_EQ(infoLines(), QStringList{droppedAtPublish + QStringLiteral("device_pair_result")});
}

// One main loop: an enqueue runs wholly before an opt-out (which then empties the queue) or after
// it (and is dropped), also when the opt-out waits in the middle.
TEST_F(MetricsPublisherTest, AnEventPublishedAroundAnOptOutIsNeverLeftQueued)
{
    // Queued before the opt-out: cleared by it.
    m_publisher->publish(pairResult());
    settle();
    ASSERT_EQ(m_queue->entries.size(), 1);
    setOptIn(false);
    EXPECT_TRUE(m_queue->entries.isEmpty());
    setOptIn(true);

    // Published before, enqueued after the opt-out: dropped at the second look.
    m_publisher->publish(pairResult());
    setOptIn(false);
    settle();
    EXPECT_EQ(m_queue->appendCalls, 1);
    EXPECT_EQ(infoLines(), QStringList{droppedAtEnqueue + QStringLiteral("device_pair_result")});
    setOptIn(true);

    // Published while the opt-out waits between emptying the queue and writing the preference.
    m_queue->holdNextRemoveAll();
    QCoro::Task<> optOut = m_preferences->setMetricsOptInEnabled(false);
    settle();
    ASSERT_EQ(m_queue->removeAllCalls, 3);
    EXPECT_TRUE(m_preferences->isMetricsOptInEnabled());
    m_publisher->publish(pairResult());
    settle();
    m_queue->releaseRemoveAll();
    test::runTask(std::move(optOut));
    setOptIn(true);
    settle();

    EXPECT_TRUE(m_queue->entries.isEmpty());
    EXPECT_EQ(m_queue->appendCalls, 1);
    EXPECT_EQ(infoLines().last(), droppedAtPublish + QStringLiteral("device_pair_result"));
    EXPECT_EQ(m_requester->reasons.size(), 1);
}

} // namespace
