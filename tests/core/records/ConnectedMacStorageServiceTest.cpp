#include "records/ConnectedMacStorageService.h"
#include "foundation/JsonFields.h"

#include "support/StoreFixture.h"

#include <QJsonArray>
#include <QJsonDocument>

#include <thread>

using namespace verandel;
using Op = test::FaultyFileManager::Operation;
using Kind = StorageError::Kind;

namespace {

const QString macsFile = QStringLiteral("connected-macs.json");

ConnectedMacInput input(const QString &name, QUuid id = QUuid::createUuid())
{
    return ConnectedMacInput{id, name, QUuid::createUuid().toString(QUuid::WithoutBraces), {}};
}

class ConnectedMacStorageServiceTest : public test::StoreFixture
{
protected:
    void SetUp() override
    {
        StoreFixture::SetUp();
        m_service = std::make_unique<ConnectedMacStorageService>(m_storage, m_logs, m_clock);
    }

    QStringList namesInFile() const
    {
        QStringList names;
        for (const QJsonValue &element : QJsonDocument::fromJson(contents(macsFile)).array()) {
            names.append(element.toObject().value(QStringLiteral("name")).toString());
        }
        return names;
    }

    std::unique_ptr<ConnectedMacStorageService> m_service;
};

TEST_F(ConnectedMacStorageServiceTest, AbsentDocumentIsEmptyAndReadsCreateNothing)
{
    EXPECT_TRUE(m_service->listConnectedMacs().isEmpty());
    const QUuid id = QUuid::createUuid();
    EXPECT_EQ(m_service->getConnectedMac(id), std::nullopt);
    m_service->deleteConnectedMac(id);
    EXPECT_EQ(kindOf([&] { m_service->updateConnectedMac(input(QStringLiteral("x")).toConnectedMac({})); }),
              Kind::FileNotFound);
    EXPECT_TRUE(storedFiles().isEmpty());
}

TEST_F(ConnectedMacStorageServiceTest, FileKeepsInsertionOrderWhileListIsSorted)
{
    const ConnectedMac beta = m_service->addConnectedMac(input(QStringLiteral("Beta")));
    m_service->addConnectedMac(input(QStringLiteral("Alpha")));
    EXPECT_EQ(namesInFile(), (QStringList{QStringLiteral("Beta"), QStringLiteral("Alpha")}));
    const QList<ConnectedMac> listed = m_service->listConnectedMacs();
    ASSERT_EQ(listed.size(), 2);
    EXPECT_EQ(listed[0].name(), QStringLiteral("Alpha"));

    // Dates are stored in whole seconds.
    EXPECT_EQ(beta.timestamp(), m_clock->now());
    const std::optional<ConnectedMac> stored = m_service->getConnectedMac(beta.id());
    ASSERT_TRUE(stored.has_value());
    EXPECT_NE(*stored, beta);
    EXPECT_EQ(json::toIso8601(stored->lastSeenTimestamp()), json::toIso8601(beta.lastSeenTimestamp()));
}

TEST_F(ConnectedMacStorageServiceTest, DuplicateIdIsRefusedAndTheFileIsUntouched)
{
    const QUuid id = QUuid::createUuid();
    m_service->addConnectedMac(input(QStringLiteral("First"), id));
    const QByteArray before = contents(macsFile);
    const QString message = QStringLiteral("Connected Mac with ID %1 already exists").arg(json::uuidToString(id));
    try {
        m_service->addConnectedMac(input(QStringLiteral("Second"), id));
        FAIL() << "duplicate accepted";
    } catch (const StorageError &error) {
        EXPECT_EQ(error, StorageError::invalidData(message));
    }
    EXPECT_EQ(contents(macsFile), before);
}

TEST_F(ConnectedMacStorageServiceTest, UpdateRestampsInPlaceAndTakesTheGivenLastSeen)
{
    const ConnectedMac first = m_service->addConnectedMac(input(QStringLiteral("First")));
    m_service->addConnectedMac(input(QStringLiteral("Second")));
    const QDateTime older = m_clock->now().addDays(-1);
    m_clock->advance(600);

    m_service->updateConnectedMac(ConnectedMac(first.id(), QStringLiteral("Renamed"), first.installationId(),
                                               first.timestamp(), older, first.connectionMetadata()));
    EXPECT_EQ(namesInFile(), (QStringList{QStringLiteral("Renamed"), QStringLiteral("Second")}));
    const std::optional<ConnectedMac> stored = m_service->getConnectedMac(first.id());
    ASSERT_TRUE(stored.has_value());
    EXPECT_EQ(json::toIso8601(stored->timestamp()), json::toIso8601(m_clock->now()));
    EXPECT_EQ(json::toIso8601(stored->lastSeenTimestamp()), json::toIso8601(older));

    const QUuid unknown = QUuid::createUuid();
    const QString missing = QStringLiteral("Connected Mac with ID %1 not found").arg(json::uuidToString(unknown));
    EXPECT_EQ(kindOf([&] { m_service->updateConnectedMac(input(QStringLiteral("x"), unknown).toConnectedMac({})); }),
              Kind::FileNotFound);
    EXPECT_TRUE(m_logs.contains(LogLevel::Error,
                                QStringLiteral("Failed to update connected Mac: File not found at path: ") + missing));
}

TEST_F(ConnectedMacStorageServiceTest, DeleteClosesTheGapAndAMissingIdWritesNothing)
{
    const ConnectedMac a = m_service->addConnectedMac(input(QStringLiteral("A")));
    m_service->addConnectedMac(input(QStringLiteral("B")));
    m_service->deleteConnectedMac(a.id());
    EXPECT_EQ(namesInFile(), QStringList{QStringLiteral("B")});
    const QByteArray before = contents(macsFile);
    const int writes = m_files->callCount(Op::WriteNewFile);
    m_service->deleteConnectedMac(a.id());
    EXPECT_EQ(contents(macsFile), before);
    EXPECT_EQ(m_files->callCount(Op::WriteNewFile), writes);
}

TEST_F(ConnectedMacStorageServiceTest, ElementWithoutMetadataBlocksEveryOperation)
{
    const QByteArray corrupt = R"([{"id": "0A1B2C3D-4E5F-4A6B-8C7D-9E0F1A2B3C4D", "name": "n",
        "installationId": "i", "timestamp": "2026-01-01T00:00:00Z", "lastSeenTimestamp": "2026-01-01T00:00:00Z"}])";
    writeRaw(macsFile, corrupt);
    const QUuid id = QUuid::fromString(QStringLiteral("0A1B2C3D-4E5F-4A6B-8C7D-9E0F1A2B3C4D"));
    const std::function<void()> operations[] = {
        [&] { m_service->listConnectedMacs(); },
        [&] { m_service->getConnectedMac(id); },
        [&] { m_service->addConnectedMac(input(QStringLiteral("new"))); },
        [&] { m_service->updateConnectedMac(input(QStringLiteral("n"), id).toConnectedMac(m_clock->now())); },
        [&] { m_service->deleteConnectedMac(id); },
    };
    for (const auto &operation : operations) {
        EXPECT_EQ(kindOf(operation), Kind::JsonDecodingFailed);
    }
    EXPECT_EQ(contents(macsFile), corrupt);
    EXPECT_EQ(storedFiles(), QStringList{macsFile});
    EXPECT_EQ(m_files->callCount(Op::WriteNewFile), 0);
}

TEST_F(ConnectedMacStorageServiceTest, ManyQuickWritesLoseNoRecord)
{
    constexpr int threads = 6;
    constexpr int perThread = 15;
    std::vector<std::thread> workers;
    for (int t = 0; t < threads; ++t) {
        workers.emplace_back([this] {
            for (int i = 0; i < perThread; ++i) {
                const ConnectedMac mac = m_service->addConnectedMac(input(QStringLiteral("M")));
                m_service->updateConnectedMac(mac.withUpdates(QStringLiteral("N"), std::nullopt, m_clock->now()));
            }
        });
    }
    for (std::thread &worker : workers) {
        worker.join();
    }
    EXPECT_EQ(m_service->listConnectedMacs().size(), threads * perThread);
    EXPECT_EQ(namesInFile().count(QStringLiteral("N")), threads * perThread);
}

} // namespace
