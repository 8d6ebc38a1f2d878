#include "telemetry/MetricsQueueStore.h"

#include "TelemetryTestEvents.h"
#include "support/QtPrinters.h"
#include "support/RunTask.h"
#include "support/StoreFixture.h"

#include <QJsonArray>
#include <QJsonDocument>

using namespace verandel;

namespace {

const QString queueFile = QStringLiteral("metrics-queue.json");

class MetricsQueueStoreTest : public test::StoreFixture
{
protected:
    void SetUp() override
    {
        StoreFixture::SetUp();
        m_store = std::make_shared<MetricsQueueStore>(m_storage, m_logs, m_clock);
    }
    static MetricsEvent event(MetricsEventName name = MetricsEventName::MacLinkEstablished)
    {
        return test::freshEventNamed(name);
    }
    void append(const MetricsEvent &made, const QDateTime &at)
    {
        m_clock->setNow(at);
        test::runTask(m_store->append(made));
    }
    QList<MetricsQueueEntry> list() { return test::runTask(m_store->list()); }
    std::optional<QUuid> newestId()
    {
        const std::optional<MetricsQueueEntry> entry = test::runTask(m_store->newest());
        return entry ? std::optional(entry->event.id) : std::nullopt;
    }
    QList<QUuid> ids() { return test::eventIds(list()); }

    const QDateTime m_noon = QDateTime(QDate(2026, 3, 4), QTime(12, 0), Qt::UTC);
    std::shared_ptr<MetricsQueueStore> m_store;
};

TEST_F(MetricsQueueStoreTest, AMissingFileIsAnEmptyQueue)
{
    EXPECT_TRUE(list().isEmpty());
    EXPECT_EQ(newestId(), std::nullopt);
    EXPECT_FALSE(exists(queueFile));
    EXPECT_TRUE(m_logs.messages(LogLevel::Warning, QStringLiteral("MetricsQueueStore")).isEmpty());

    test::runTask(m_store->removeAll());
    EXPECT_EQ(QJsonDocument::fromJson(contents(queueFile)).array(), QJsonArray());
    QFile::remove(path(queueFile));
    test::runTask(m_store->remove(QUuid::createUuid()));
    EXPECT_EQ(QJsonDocument::fromJson(contents(queueFile)).array(), QJsonArray());
}

TEST_F(MetricsQueueStoreTest, EntriesKeepTheirOrderAndTheirEnqueueTime)
{
    const MetricsEvent first = event(MetricsEventName::DevicePairResult);
    const MetricsEvent second = event(MetricsEventName::TransferRequested);
    append(first, m_noon);
    append(second, m_noon.addSecs(1));
    const QList<MetricsQueueEntry> entries = list();
    ASSERT_EQ(entries.size(), 2);
    EXPECT_EQ(entries[0].event.id, first.id);
    EXPECT_EQ(entries[0].enqueuedAt, m_noon);
    EXPECT_EQ(entries[1].event.name, MetricsEventName::TransferRequested);
    EXPECT_EQ(entries[1].event.runtimeMetadata, test::sampleMetadata());
    EXPECT_TRUE(contents(queueFile).contains("\"enqueuedAt\": \"2026-03-04T12:00:01Z\""));
}

TEST_F(MetricsQueueStoreTest, NewestIsTheLatestDateAndTheLaterEntryOfATie)
{
    const MetricsEvent a = event();
    const MetricsEvent b = event();
    const MetricsEvent c = event();
    append(a, m_noon.addSecs(10));
    append(b, m_noon.addSecs(10));
    EXPECT_EQ(newestId(), b.id);
    // The clock was set back: the last appended is not the newest.
    append(c, m_noon);
    EXPECT_EQ(newestId(), b.id);
    EXPECT_EQ(ids(), (QList<QUuid>{a.id, b.id, c.id}));
}

TEST_F(MetricsQueueStoreTest, RemoveTakesEveryEntryOfTheEventAndNothingElse)
{
    const MetricsEvent kept = event();
    const MetricsEvent twice = event();
    append(twice, m_noon);
    append(kept, m_noon);
    append(twice, m_noon);
    const QByteArray before = contents(queueFile);

    test::runTask(m_store->remove(QUuid::createUuid()));
    EXPECT_EQ(contents(queueFile), before);
    test::runTask(m_store->remove(twice.id));
    EXPECT_EQ(ids(), QList<QUuid>{kept.id});
    test::runTask(m_store->removeAll());
    EXPECT_TRUE(list().isEmpty());
}

TEST_F(MetricsQueueStoreTest, AnUnreadableQueueIsEmptyUntilTheNextWrite)
{
    writeRaw(queueFile, "[{\"event\": ");
    EXPECT_TRUE(list().isEmpty());
    EXPECT_EQ(newestId(), std::nullopt);
    const QStringList warnings = m_logs.messages(LogLevel::Warning, QStringLiteral("MetricsQueueStore"));
    ASSERT_EQ(warnings.size(), 2);
    EXPECT_TRUE(warnings[0].startsWith(QStringLiteral("Failed to load metrics queue. Treating queue as empty: ")));
    EXPECT_EQ(contents(queueFile), "[{\"event\": ");

    const MetricsEvent fresh = event();
    append(fresh, m_noon);
    EXPECT_EQ(ids(), QList<QUuid>{fresh.id});
}

TEST_F(MetricsQueueStoreTest, AFailedWriteIsThrownAndChangesNothing)
{
    const MetricsEvent kept = event();
    append(kept, m_noon);
    const QByteArray before = contents(queueFile);
    m_files->failWith(test::FaultyFileManager::Operation::WriteNewFile, ENOSPC);
    EXPECT_EQ(kindOf([&] { append(event(), m_noon); }), StorageError::Kind::DiskFull);
    EXPECT_EQ(kindOf([&] { test::runTask(m_store->remove(kept.id)); }), StorageError::Kind::DiskFull);
    EXPECT_EQ(kindOf([&] { test::runTask(m_store->removeAll()); }), StorageError::Kind::DiskFull);
    EXPECT_EQ(contents(queueFile), before);
    m_files->clearFailures();
    EXPECT_EQ(ids(), QList<QUuid>{kept.id});
}

TEST_F(MetricsQueueStoreTest, AFullQueueDropsItsOldestEntries)
{
    QList<MetricsQueueEntry> full;
    for (qsizetype i = 0; i < MetricsQueueStore::maxEntries; ++i) {
        full.append(MetricsQueueEntry{event(), m_noon});
    }
    m_storage->writeJSONSync(full, path(queueFile));

    const MetricsEvent latest = event();
    append(latest, m_noon.addSecs(1));
    const QList<QUuid> after = ids();
    ASSERT_EQ(after.size(), MetricsQueueStore::maxEntries);
    EXPECT_EQ(after.first(), full[1].event.id);
    EXPECT_EQ(after.last(), latest.id);
    EXPECT_EQ(newestId(), latest.id);
    EXPECT_TRUE(m_logs.contains(LogLevel::Debug,
                                QStringLiteral("Metrics queue holds more than 500 entries, dropped the 1 oldest")));
}

} // namespace
