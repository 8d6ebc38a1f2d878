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

// A DNS-SD service instance resolved to one address.
PeerEndpoint instance(const QString &name, const QString &address, quint16 port = 5001)
{
    return PeerEndpoint::serviceInstance(name, QStringLiteral("_verandel._tcp"), QStringLiteral("local"))
        .withResolution({QHostAddress(address)}, port);
}

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
        QObject::connect(directory.get(), &LinkedPeerDirectoryProtocol::identityConflictsChanged, directory.get(),
                         [this] { announcements.append(QStringLiteral("conflicts")); });
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
    EXPECT_TRUE(directory->identityConflicts().isEmpty());

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
    const PeerEndpoint desk = instance(QStringLiteral("Desk"), QStringLiteral("192.0.2.10"));
    transport.simulateDiscoveredMac(record(kMac, desk));
    EXPECT_EQ(delivered(), QStringList{QStringLiteral("M true")});

    transport.simulateEndpointDeleted(desk);
    EXPECT_FALSE(directory->isEligible(kMac));
    EXPECT_EQ(directory->discoverableMac(kMac), std::nullopt);
    EXPECT_EQ(delivered(), QStringList{QStringLiteral("M false")});
    EXPECT_TRUE(
        logs.contains(LogLevel::Info, QStringLiteral("Mac %1 became ineligible (endpoint deleted)").arg(idText(kMac))));

    transport.simulateEndpointDeleted(desk);
    EXPECT_TRUE(
        logs.containsSubstring(LogLevel::Warning, QStringLiteral("Endpoint deleted but no matching Mac found")));
    EXPECT_TRUE(delivered().isEmpty());
    EXPECT_EQ(signals->signals.count(QStringLiteral("handleEndpointDeletedCompleted")), 2);

    transport.simulateDiscoveredMac(record(kMac, desk));
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
    transport.simulateDiscoveredMac(record(kOther, PeerEndpoint::hostPort(QStringLiteral("127.0.0.1"), 5002),
                                           QStringLiteral("Lab"), QStringLiteral("48213")));
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
    // Each at its own port: one host:port is one instance, and an instance claims one id at a time.
    const auto at = [](int index) { return PeerEndpoint::hostPort(QStringLiteral("127.0.0.1"), 10000 + index); };
    for (int i = 0; i < 256; ++i) {
        spoofed.append(QUuid::createUuid());
        transport.simulateDiscoveredMac(record(spoofed.last(), at(i)));
    }
    EXPECT_TRUE(directory->discoverableMac(spoofed.first()).has_value());
    transport.simulateDiscoveredMac(record(spoofed.first(), at(0)));
    transport.simulateDiscoveredMac(record(kOther, at(256)));
    EXPECT_TRUE(directory->discoverableMac(spoofed.first()).has_value()) << "seen again, so not the oldest";
    EXPECT_FALSE(directory->discoverableMac(spoofed.at(1)).has_value());
    EXPECT_TRUE(directory->discoverableMac(kOther).has_value());
    EXPECT_TRUE(directory->isEligible(kMac)) << "a linked computer is never dropped";
    EXPECT_TRUE(logs.contains(LogLevel::Debug,
                              QStringLiteral("Dropping discovered Mac %1, the least recently seen of "
                                             "257 discovered Macs that are not linked")
                                  .arg(idText(spoofed.at(1)))));
}

namespace {

// One step of a claims story: what happens, then where the computer can be reached (empty: it is not
// eligible) and what is announced, identity conflict changes included.
struct ClaimStep
{
    // "+name": the instance is discovered claiming the computer; "-name": it is withdrawn;
    // "name>other": it now advertises another computer's id; "link" and "unlink".
    const char *action;
    const char *reachedAt;
    QStringList announced;
    bool conflict = false;
};

struct ClaimStory
{
    const char *name;
    bool linkedAtStart;
    QList<ClaimStep> steps;
};

// The real computer, the same instance resolved to a new address, a copy of its record published at
// another address, and the real computer under a new name (the old one not yet gone).
PeerEndpoint named(const QString &name)
{
    if (name == QStringLiteral("moved")) {
        return instance(QStringLiteral("Desk"), QStringLiteral("192.0.2.11"));
    }
    if (name == QStringLiteral("copy")) {
        return instance(QStringLiteral("Desk (forged)"), QStringLiteral("192.0.2.66"), 6001);
    }
    if (name == QStringLiteral("renamed")) {
        return instance(QStringLiteral("Desk #2"), QStringLiteral("192.0.2.10"));
    }
    return instance(QStringLiteral("Desk"), QStringLiteral("192.0.2.10"));
}

const QStringList kPaused{QStringLiteral("M false"), QStringLiteral("conflicts")};
const QStringList kResumed{QStringLiteral("M true"), QStringLiteral("conflicts")};

const ClaimStory kClaimStories[] = {
    {"a copy pauses the computer until it is withdrawn; the real record re-resolved meanwhile is kept",
     true,
     {{"+real", "real", {QStringLiteral("M true")}},
      {"+copy", "", kPaused, true},
      {"+real", "", {}, true},
      {"-copy", "real", kResumed}}},
    {"when the real computer withdraws, the one instance left is used",
     true,
     {{"+real", "real", {QStringLiteral("M true")}}, {"+copy", "", kPaused, true}, {"-real", "copy", kResumed}}},
    {"the same instance at a new address announces nothing",
     true,
     {{"+real", "real", {QStringLiteral("M true")}}, {"+moved", "moved", {}}}},
    {"a rename overlaps until the old name goes",
     true,
     {{"+real", "real", {QStringLiteral("M true")}}, {"+renamed", "", kPaused, true}, {"-real", "renamed", kResumed}}},
    {"a withdrawn instance removes only its own claim",
     true,
     {{"+real", "real", {QStringLiteral("M true")}},
      {"+copy", "", kPaused, true},
      {"+renamed", "", {}, true},
      {"-copy", "", {}, true},
      {"-renamed", "real", kResumed}}},
    {"an instance that advertises another id gives up its claim",
     true,
     {{"+real", "real", {QStringLiteral("M true")}}, {"+copy", "", kPaused, true}, {"copy>other", "real", kResumed}}},
    {"two claims on a computer that is not linked are no conflict until it is linked",
     false,
     {{"+real", "", {}},
      {"+copy", "", {}},
      {"link", "", {QStringLiteral("conflicts")}, true},
      {"unlink", "", {QStringLiteral("conflicts")}},
      {"-copy", "", {}},
      {"link", "real", {QStringLiteral("M true")}}}},
};

} // namespace

TEST_F(DirectoryFixture, EveryInstanceClaimingALinkedIdIsKeptAndTwoPauseIt)
{
    for (const ClaimStory &story : kClaimStories) {
        SCOPED_TRACE(story.name);
        storage = std::make_shared<test::TestableMacStorageService>();
        if (story.linkedAtStart) {
            storage->addTestData({linked(kMac)});
        }
        build();
        for (const ClaimStep &step : story.steps) {
            SCOPED_TRACE(step.action);
            const QString action = QString::fromLatin1(step.action);
            const QString name = action.mid(1);
            if (action == QStringLiteral("link")) {
                directory->updateConnectedMacs({linked(kMac)});
            } else if (action == QStringLiteral("unlink")) {
                directory->updateConnectedMacs({});
            } else if (action.startsWith(u'+')) {
                transport.simulateDiscoveredMac(record(kMac, named(name)));
            } else if (action.startsWith(u'-')) {
                transport.simulateEndpointDeleted(named(name));
            } else {
                transport.simulateDiscoveredMac(record(kOther, named(action.section(u'>', 0, 0))));
            }
            EXPECT_EQ(delivered(), step.announced);
            EXPECT_EQ(directory->identityConflicts().contains(kMac), step.conflict);
            const QString reachedAt = QString::fromLatin1(step.reachedAt);
            if (reachedAt.isEmpty()) {
                EXPECT_FALSE(directory->isEligible(kMac));
                EXPECT_EQ(directory->endpoint(kMac), std::nullopt);
                EXPECT_FALSE(directory->eligiblePeers().contains(kMac));
                continue;
            }
            const PeerEndpoint expected = named(reachedAt);
            ASSERT_TRUE(directory->isEligible(kMac));
            EXPECT_EQ(directory->eligiblePeers(), QList<QUuid>{kMac});
            const std::optional<PeerEndpoint> endpoint = directory->endpoint(kMac);
            ASSERT_TRUE(endpoint);
            EXPECT_EQ(*endpoint, expected);
            EXPECT_EQ(endpoint->resolvedAddresses(), expected.resolvedAddresses()) << "the latest address is used";
            EXPECT_EQ(directory->discoverableMac(kMac)->endpoint(), endpoint);
        }
    }
}

TEST_F(DirectoryFixture, AConflictIsWarnedOnceNamingBothAddressesAndNeitherRecordIsHandedOut)
{
    storage->addTestData({linked(kMac)});
    build();
    transport.simulateDiscoveredMac(record(kMac, named(QStringLiteral("real"))));
    transport.simulateDiscoveredMac(record(kMac, named(QStringLiteral("copy"))));
    transport.simulateDiscoveredMac(record(kMac, named(QStringLiteral("renamed"))));
    transport.simulateDiscoveredMac(record(kMac, named(QStringLiteral("real"))));
    EXPECT_EQ(directory->discoverableMac(kMac), std::nullopt) << "the bridge has nowhere to send to";
    const QStringList warnings = logs.messages(LogLevel::Warning);
    ASSERT_EQ(warnings.size(), 1) << warnings.join(u'\n').toStdString();
    EXPECT_EQ(warnings.first(),
              QStringLiteral("More than one computer claims to be Mac %1, at "
                             "Desk._verandel._tcp.local (192.0.2.10 port 5001) and at "
                             "Desk (forged)._verandel._tcp.local (192.0.2.66 port 6001): it is not "
                             "eligible until only one of them is left")
                  .arg(idText(kMac)));
    EXPECT_TRUE(
        logs.contains(LogLevel::Info, QStringLiteral("Eligibility changed for Mac %1: false").arg(idText(kMac))));

    transport.simulateEndpointDeleted(named(QStringLiteral("copy")));
    transport.simulateEndpointDeleted(named(QStringLiteral("real")));
    EXPECT_TRUE(logs.contains(LogLevel::Info,
                              QStringLiteral("Only one computer claims to be Mac %1 again, at "
                                             "Desk #2._verandel._tcp.local (192.0.2.10 port 5001)")
                                  .arg(idText(kMac))));
    EXPECT_EQ(directory->discoverableMac(kMac)->name(), QStringLiteral("Desk"));
    EXPECT_EQ(directory->endpoint(kMac)->serviceName(), QStringLiteral("Desk #2"));
}

TEST_F(DirectoryFixture, AFloodOfCopiesCannotPushTheRealClaimOut)
{
    storage->addTestData({linked(kMac)});
    build();
    const PeerEndpoint real = named(QStringLiteral("real"));
    transport.simulateDiscoveredMac(record(kMac, real));
    const auto copy = [](int index) {
        return instance(QStringLiteral("Copy %1").arg(index), QStringLiteral("192.0.2.66"), 7000 + index);
    };
    constexpr int copies = 20;
    for (int i = 0; i < copies; ++i) {
        transport.simulateDiscoveredMac(record(kMac, copy(i)));
    }
    EXPECT_TRUE(logs.contains(LogLevel::Debug,
                              QStringLiteral("Ignoring Copy 7._verandel._tcp.local (192.0.2.66 port 7007): Mac %1 is "
                                             "already claimed by 8 service instances")
                                  .arg(idText(kMac))));
    for (int i = 0; i < copies; ++i) {
        transport.simulateEndpointDeleted(copy(i));
    }
    ASSERT_TRUE(directory->isEligible(kMac));
    EXPECT_EQ(*directory->endpoint(kMac), real);
    EXPECT_EQ(delivered(),
              (QStringList{QStringLiteral("M true"), QStringLiteral("M false"), QStringLiteral("conflicts"),
                           QStringLiteral("M true"), QStringLiteral("conflicts")}));
}
