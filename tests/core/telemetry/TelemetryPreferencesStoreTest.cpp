#include "telemetry/TelemetryPreferencesStore.h"
#include "telemetry/DefaultMetricsConsentProvider.h"

#include "TelemetryTestEvents.h"
#include "support/QtPrinters.h"
#include "support/RunTask.h"
#include "support/StoreFixture.h"
#include "support/fakes/FakeMetricsQueueStore.h"

#include <QJsonDocument>

using namespace verandel;

namespace {

const QString preferencesFile = QStringLiteral("telemetry-preferences.json");
const QString category = QStringLiteral("TelemetryPreferencesStore");

class TelemetryPreferencesStoreTest : public test::StoreFixture
{
protected:
    void SetUp() override
    {
        StoreFixture::SetUp();
        m_queue->entries.append(MetricsQueueEntry{test::eventNamed(MetricsEventName::MacLinkEstablished), {}});
    }
    std::shared_ptr<TelemetryPreferencesStore> makeStore()
    {
        return std::make_shared<TelemetryPreferencesStore>(m_storage, m_queue, m_logs);
    }
    std::optional<bool> storedFlag() const
    {
        const QJsonValue flag
            = QJsonDocument::fromJson(contents(preferencesFile)).object().value(QStringLiteral("metricsOptInEnabled"));
        return flag.isBool() ? std::optional(flag.toBool()) : std::nullopt;
    }

    std::shared_ptr<test::FakeMetricsQueueStore> m_queue = std::make_shared<test::FakeMetricsQueueStore>();
};

TEST_F(TelemetryPreferencesStoreTest, NoFileMeansOptedInAndWritesNothing)
{
    const auto store = makeStore();
    EXPECT_TRUE(store->isMetricsOptInEnabled());
    EXPECT_TRUE(DefaultMetricsConsentProvider(store).isMetricsCollectionEnabled());
    EXPECT_FALSE(exists(preferencesFile));
    EXPECT_TRUE(m_logs.messages(LogLevel::Warning, category).isEmpty());
}

TEST_F(TelemetryPreferencesStoreTest, TheStoredChoiceIsReadOnce)
{
    writeRaw(preferencesFile, R"({"metricsOptInEnabled": false})");
    const auto store = makeStore();
    EXPECT_FALSE(store->isMetricsOptInEnabled());
    EXPECT_FALSE(DefaultMetricsConsentProvider(store).isMetricsCollectionEnabled());
    // Later changes of the file by others are not seen.
    writeRaw(preferencesFile, R"({"metricsOptInEnabled": true})");
    EXPECT_FALSE(store->currentPreferences().metricsOptInEnabled);
}

TEST_F(TelemetryPreferencesStoreTest, AnUnreadableFileMeansOptedInWithOneWarning)
{
    for (const QByteArray &bytes :
         {QByteArray("{}"), QByteArray("not json"), QByteArray(R"({"metricsOptInEnabled": 0})")}) {
        m_logs.clear();
        writeRaw(preferencesFile, bytes);
        EXPECT_TRUE(makeStore()->isMetricsOptInEnabled()) << bytes.constData();
        const QStringList warnings = m_logs.messages(LogLevel::Warning, category);
        ASSERT_EQ(warnings.size(), 1) << bytes.constData();
        EXPECT_TRUE(warnings[0].startsWith(
            QStringLiteral("Failed to load telemetry preferences. Defaulting metrics opt-in to enabled: ")));
        EXPECT_EQ(contents(preferencesFile), bytes);
    }
}

TEST_F(TelemetryPreferencesStoreTest, TurningOffEmptiesTheQueueBeforeWritingTheFile)
{
    const auto store = makeStore();
    const DefaultMetricsConsentProvider consent(store);
    bool fileExistedWhenCleared = true;
    m_queue->onRemoveAll = [&] { fileExistedWhenCleared = exists(preferencesFile); };

    test::runTask(store->setMetricsOptInEnabled(false));
    EXPECT_EQ(m_queue->removeAllCalls, 1);
    EXPECT_FALSE(fileExistedWhenCleared);
    EXPECT_TRUE(m_queue->entries.isEmpty());
    EXPECT_EQ(storedFlag(), false);
    EXPECT_FALSE(store->isMetricsOptInEnabled());
    EXPECT_FALSE(consent.isMetricsCollectionEnabled());

    // Off again, then on: the file is rewritten, the queue is left alone.
    m_queue->entries.append(MetricsQueueEntry{test::eventNamed(MetricsEventName::MacLinkEstablished), {}});
    test::runTask(store->setMetricsOptInEnabled(false));
    test::runTask(store->setMetricsOptInEnabled(true));
    EXPECT_EQ(m_queue->removeAllCalls, 1);
    EXPECT_EQ(m_queue->entries.size(), 1);
    EXPECT_EQ(storedFlag(), true);
    EXPECT_TRUE(consent.isMetricsCollectionEnabled());
}

TEST_F(TelemetryPreferencesStoreTest, AFailedOptOutLeavesTheUserOptedIn)
{
    const auto store = makeStore();
    m_queue->stubbedRemoveAllError = StorageError::permissionDenied(QStringLiteral("metrics-queue.json"));
    EXPECT_EQ(kindOf([&] { test::runTask(store->setMetricsOptInEnabled(false)); }),
              StorageError::Kind::PermissionDenied);
    EXPECT_TRUE(store->isMetricsOptInEnabled());
    EXPECT_TRUE(DefaultMetricsConsentProvider(store).isMetricsCollectionEnabled());
    EXPECT_FALSE(exists(preferencesFile));
    EXPECT_EQ(
        m_logs.messages(LogLevel::Warning, category),
        QStringList{QStringLiteral("Failed to clear pending metrics queue after opt-out: Permission denied for path: "
                                   "metrics-queue.json")});

    // The queue is emptied, then the preference cannot be written.
    m_queue->stubbedRemoveAllError.reset();
    m_files->failWith(test::FaultyFileManager::Operation::WriteNewFile, ENOSPC);
    EXPECT_EQ(kindOf([&] { test::runTask(store->setMetricsOptInEnabled(false)); }), StorageError::Kind::DiskFull);
    EXPECT_TRUE(store->isMetricsOptInEnabled());
    EXPECT_TRUE(DefaultMetricsConsentProvider(store).isMetricsCollectionEnabled());
    EXPECT_TRUE(m_queue->entries.isEmpty());
    EXPECT_EQ(m_logs.messages(LogLevel::Warning, category).size(), 1);
}

} // namespace
