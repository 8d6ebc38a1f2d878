#include "linking/PeerDirectoryService.h"

#include "foundation/LogText.h"
#include "support/QtPrinters.h"
#include "support/fakes/MockTransport.h"
#include "support/fakes/RecordingLoggerFactory.h"
#include "support/fakes/RecordingTestCoordinator.h"
#include "support/fakes/TestableMacStorageService.h"

#include <QCoreApplication>

#include <gtest/gtest.h>

using namespace verandel;

namespace {

const QUuid kMac = QUuid::fromString(QStringLiteral("f0000000-0000-4000-8000-000000000001"));
const QUuid kOther = QUuid::fromString(QStringLiteral("f0000000-0000-4000-8000-000000000002"));
const QDateTime kNow(QDate(2026, 1, 1), QTime(8, 0), Qt::UTC);
const PeerEndpoint kEndpoint = PeerEndpoint::hostPort(QStringLiteral("127.0.0.1"), 5001);

DiscoverableMac record(const QUuid &id, std::optional<PeerEndpoint> endpoint = kEndpoint,
                       QString name = QStringLiteral("Desk"), std::optional<QString> code = std::nullopt)
{
    return DiscoverableMac(id, std::move(name), QStringLiteral("1.0.0"), std::move(endpoint),
                           QStringLiteral("0a1b2c3d-4e5f-4a6b-8c7d-9e0f1a2b3c4d"), std::move(code), kNow);
}

ConnectedMac linked(const QUuid &id)
{
    return ConnectedMac(id, QStringLiteral("Desk"), QStringLiteral("0a1b2c3d-4e5f-4a6b-8c7d-9e0f1a2b3c4d"), kNow, kNow,
                        {});
}

struct DirectoryFixture : ::testing::Test
{
    test::RecordingLoggerFactory logs;
    test::MockTransport transport;
    std::shared_ptr<test::TestableMacStorageService> storage = std::make_shared<test::TestableMacStorageService>();
    std::shared_ptr<test::RecordingTestCoordinator> signals = std::make_shared<test::RecordingTestCoordinator>();
    std::unique_ptr<PeerDirectoryService> directory;
    QStringList announcements;

    void build()
    {
        directory = std::make_unique<PeerDirectoryService>(transport, storage, logs, signals);
        QObject::connect(directory.get(), &LinkedPeerDirectoryProtocol::eligibilityUpdates, directory.get(),
                         [this](const QUuid &id, bool eligible) {
                             announcements.append((id == kMac ? QStringLiteral("M ") : QStringLiteral("O "))
                                                  + (eligible ? QStringLiteral("true") : QStringLiteral("false")));
                         });
    }

    // The announcements made since the last call, once the event loop delivered them.
    QStringList delivered()
    {
        QCoreApplication::processEvents();
        return std::exchange(announcements, {});
    }
};

} // namespace

TEST_F(DirectoryFixture, LinkingADiscoveredComputerAnnouncesItAndUnlinkingKeepsItsRecord)
{
    build();
    transport.simulateDiscoveredMac(record(kMac));
    EXPECT_FALSE(directory->isEligible(kMac));
    EXPECT_EQ(directory->endpoint(kMac), std::nullopt);
    EXPECT_TRUE(delivered().isEmpty());

    directory->updateConnectedMacs({linked(kMac)});
    // Applied at once, announced from the event loop.
    EXPECT_TRUE(directory->isEligible(kMac));
    EXPECT_TRUE(announcements.isEmpty());
    EXPECT_EQ(delivered(), QStringList{QStringLiteral("M true")});
    EXPECT_EQ(directory->endpoint(kMac), kEndpoint);
    EXPECT_EQ(directory->eligiblePeers(), QList<QUuid>{kMac});

    directory->updateConnectedMacs({linked(kMac)});
    EXPECT_TRUE(delivered().isEmpty()) << "the same list twice announces nothing";

    directory->updateConnectedMacs({});
    EXPECT_EQ(delivered(), QStringList{QStringLiteral("M false")});
    EXPECT_TRUE(directory->discoverableMac(kMac).has_value());
    EXPECT_FALSE(directory->isEligible(kMac));
    EXPECT_EQ(signals->signals.count(QStringLiteral("eligibilityUpdateHandled")), 2);
}

TEST_F(DirectoryFixture, ADeletedEndpointMakesItIneligibleUntilItIsDiscoveredAgain)
{
    storage->addTestData({linked(kMac)});
    build();
    EXPECT_TRUE(logs.contains(LogLevel::Info, QStringLiteral("Loaded 1 connected Mac IDs from storage")));
    transport.simulateDiscoveredMac(record(kMac));
    EXPECT_EQ(delivered(), QStringList{QStringLiteral("M true")});
    transport.simulateDiscoveredMac(record(kMac, PeerEndpoint::hostPort(QStringLiteral("127.0.0.1"), 5002)));
    EXPECT_TRUE(delivered().isEmpty()) << "a moved endpoint is no change";

    transport.simulateEndpointDeleted(PeerEndpoint::hostPort(QStringLiteral("127.0.0.1"), 5002));
    EXPECT_FALSE(directory->isEligible(kMac));
    EXPECT_EQ(delivered(), QStringList{QStringLiteral("M false")});

    transport.simulateEndpointDeleted(kEndpoint);
    EXPECT_TRUE(
        logs.containsSubstring(LogLevel::Warning, QStringLiteral("Endpoint deleted but no matching Mac found")));
    EXPECT_TRUE(delivered().isEmpty());
    EXPECT_EQ(signals->signals.count(QStringLiteral("handleEndpointDeletedCompleted")), 2);

    transport.simulateDiscoveredMac(record(kMac));
    EXPECT_EQ(delivered(), QStringList{QStringLiteral("M true")});
}

TEST_F(DirectoryFixture, ARecordWithoutAnEndpointIsEligibleWithoutAnnouncement)
{
    storage->addTestData({linked(kMac)});
    build();
    transport.simulateDiscoveredMac(record(kMac, std::nullopt));
    EXPECT_TRUE(directory->isEligible(kMac));
    EXPECT_EQ(directory->endpoint(kMac), std::nullopt);
    EXPECT_TRUE(delivered().isEmpty());
    directory->updateConnectedMacs({linked(kMac), linked(kOther)});
    EXPECT_TRUE(delivered().isEmpty()) << "a linked computer never discovered announces nothing";
}

TEST_F(DirectoryFixture, AStoreFailureAtConstructionLeavesEveryoneIneligibleUntilTheNextUpdate)
{
    storage->stubbedListConnectedMacsResponse = StorageError::corruptedData(QStringLiteral("bad"));
    build();
    EXPECT_TRUE(
        logs.containsSubstring(LogLevel::Error, QStringLiteral("Failed to load connected Macs from storage: ")));
    transport.simulateDiscoveredMac(record(kMac));
    EXPECT_FALSE(directory->isEligible(kMac));
    directory->updateConnectedMacs({linked(kMac)});
    EXPECT_TRUE(directory->isEligible(kMac));
    EXPECT_EQ(delivered(), QStringList{QStringLiteral("M true")});
}

TEST_F(DirectoryFixture, NamesAndCodesOfRecordsAreCleanedBeforeTheyAreKept)
{
    build();
    const QString longName = QString(70, QLatin1Char('n'));
    transport.simulateDiscoveredMac(
        record(kMac, kEndpoint, QStringLiteral("Desk\n\x1b[31m") + longName, QStringLiteral("ABC123")));
    transport.simulateDiscoveredMac(record(kOther, kEndpoint, QStringLiteral("Lab"), QStringLiteral("48213")));
    const DiscoverableMac kept = *directory->discoverableMac(kMac);
    EXPECT_EQ(kept.name().toUtf8().size(), 63);
    EXPECT_TRUE(kept.name().startsWith(QStringLiteral("Desk[31m")));
    EXPECT_EQ(kept.securityCode(), QStringLiteral("ABC123"));
    EXPECT_EQ(directory->discoverableMac(kOther)->securityCode(), std::nullopt);
}

TEST_F(DirectoryFixture, AtMost256UnlinkedRecordsAreKeptTheLeastRecentlySeenGoingFirst)
{
    storage->addTestData({linked(kMac)});
    build();
    transport.simulateDiscoveredMac(record(kMac));
    QList<QUuid> spoofed;
    for (int i = 0; i < 256; ++i) {
        spoofed.append(QUuid::createUuid());
        transport.simulateDiscoveredMac(record(spoofed.last()));
    }
    EXPECT_TRUE(directory->discoverableMac(spoofed.first()).has_value());
    transport.simulateDiscoveredMac(record(spoofed.first()));
    transport.simulateDiscoveredMac(record(kOther));
    EXPECT_TRUE(directory->discoverableMac(spoofed.first()).has_value()) << "seen again, so not the oldest";
    EXPECT_FALSE(directory->discoverableMac(spoofed.at(1)).has_value());
    EXPECT_TRUE(directory->discoverableMac(kOther).has_value());
    EXPECT_TRUE(directory->isEligible(kMac)) << "a linked computer is never dropped";
    EXPECT_TRUE(logs.contains(LogLevel::Debug,
                              QStringLiteral("Dropping discovered Mac %1, the least recently seen of "
                                             "257 discovered Macs that are not linked")
                                  .arg(idText(spoofed.at(1)))));
}
