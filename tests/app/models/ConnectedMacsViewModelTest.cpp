#include "models/ConnectedMacsViewModel.h"

#include "linking/MacDiscoveryService.h"
#include "models/ConnectedMacsRules.h"

#include "app/models/ConnectedMacsViewModelFixture.h"
#include "support/ManualClock.h"
#include "support/PreviewFixtures.h"
#include "support/QtPrinters.h"
#include "support/RunTask.h"
#include "support/fakes/FakeFrameListener.h"
#include "support/fakes/FakeMacIdentifier.h"
#include "support/fakes/FakePeerDirectory.h"
#include "support/fakes/MockTransport.h"
#include "support/fakes/RecordingMetricsPublisher.h"

#include <QSignalSpy>

#include <gtest/gtest.h>

using namespace verandel;
using namespace verandel::test;

namespace {

using ConnectedMacsViewModelTest = ViewModelFixture;

QStringList namesOf(const QList<ConnectedMac> &macs)
{
    QStringList names;
    for (const ConnectedMac &mac : macs) {
        names.append(mac.name());
    }
    return names;
}

QList<QUuid> idsOf(const QList<ConnectedMac> &macs)
{
    QList<QUuid> ids;
    for (const ConnectedMac &mac : macs) {
        ids.append(mac.id());
    }
    return ids;
}

MacConnectionStatusPtr statusIn(ConnectionState state, const QUuid &macId)
{
    auto status = std::make_shared<MacConnectionStatus>(macId);
    status->updateConnectionState(state);
    return status;
}

} // namespace

// Construction and subscriptions -----------------------------------------------------------------

TEST_F(ConnectedMacsViewModelTest, StartsWithTheLocalNetworkCardOnlyWhenAccessWasRefused)
{
    struct Row
    {
        SystemPermissionStatus status;
        DiscoveryServiceState state;
        std::optional<DiscoveryPermissionGuidanceState> card;
    };
    const Row rows[] = {
        {SystemPermissionStatus::Denied, DiscoveryServiceState::Idle, DiscoveryPermissionGuidanceState::DeniedRecovery},
        {SystemPermissionStatus::Unknown, DiscoveryServiceState::Idle, std::nullopt},
        {SystemPermissionStatus::Authorized, DiscoveryServiceState::Idle, std::nullopt},
        {SystemPermissionStatus::Denied, DiscoveryServiceState::Active, std::nullopt},
    };
    for (const Row &row : rows) {
        SCOPED_TRACE(toString(row.status).toStdString() + " " + toString(row.state).toStdString());
        permissions->simulateLocalNetworkStatus(row.status);
        discovery->setState(row.state);
        const ConnectedMacsViewModel &built = make();
        EXPECT_EQ(built.localNetworkPermissionStatus(), row.status);
        EXPECT_EQ(built.inlinePermissionGuidanceState(), row.card);
        EXPECT_EQ(permissions->requestCallCount() + permissions->refreshCallCount(), 0) << "nothing probed";
    }
}

TEST_F(ConnectedMacsViewModelTest, MirrorsDiscoveryModeAfterEachDeliveryAndListsOnlyComputersWithACode)
{
    const DiscoverableMac withCode = PreviewFixtures::nearbyMac(1, QStringLiteral("Studio"), QStringLiteral("K7Q2ZX"));
    const DiscoverableMac withoutCode = PreviewFixtures::nearbyMac(2, QStringLiteral("Den"), std::nullopt);
    const DiscoverableMac emptyCode = PreviewFixtures::nearbyMac(3, QStringLiteral("Attic"), QString());
    discovery->setState(DiscoveryServiceState::Active);
    discovery->setDiscoveredMacs({withCode, withoutCode});
    ConnectedMacsViewModel &vm = make();
    // The present values are there from the start.
    EXPECT_TRUE(vm.isDiscoveryActive());
    EXPECT_EQ(vm.discoveryState(), DiscoveryServiceState::Active);
    EXPECT_EQ(vm.discoveredMacs(), QList<DiscoverableMac>{withCode});

    QSignalSpy activeChanges(&vm, &DiscoveryViewModelProtocol::isDiscoveryActiveChanged);
    discovery->setDiscoveredMacs({withoutCode, emptyCode, withCode});
    discovery->setState(DiscoveryServiceState::Stopping);
    EXPECT_TRUE(vm.isDiscoveryActive()) << "taken after the delivery, not inside the service's call";
    settle();
    EXPECT_EQ(vm.discoveredMacs(), (QList<DiscoverableMac>{emptyCode, withCode}));
    EXPECT_FALSE(vm.isDiscoveryActive());
    EXPECT_EQ(vm.discoveryState(), DiscoveryServiceState::Stopping);

    // Every announcement is taken, unchanged or not.
    activeChanges.clear();
    discovery->setState(DiscoveryServiceState::Stopping);
    discovery->setState(DiscoveryServiceState::Stopping);
    settle();
    EXPECT_EQ(activeChanges.size(), 2);

    const SecurityCode code(QStringLiteral("AB12CD"), PreviewFixtures::now());
    discovery->setSecurityCode(code);
    const QList<ConnectionRequest> requests{
        PreviewFixtures::request(withCode.id(), ConnectionRequestState::Pending, ConnectionDirection::Incoming)};
    discovery->setConnectionRequests(requests);
    settle();
    EXPECT_EQ(vm.currentSecurityCode(), code);
    EXPECT_EQ(vm.connectionRequests(), requests);
}

TEST_F(ConnectedMacsViewModelTest, ALinkAnnouncedTwiceIsListedOnce)
{
    ConnectedMacsViewModel &vm = make();
    const ConnectedMac studio = PreviewFixtures::linkedMac(1, QStringLiteral("Studio"));
    const ConnectedMac renamed(studio.id(), QStringLiteral("Renamed"), studio.installationId(), studio.timestamp(),
                               studio.lastSeenTimestamp(), {});
    discovery->establish(studio);
    discovery->establish(renamed);
    settle();
    EXPECT_EQ(namesOf(vm.connectedMacs()), QStringList{QStringLiteral("Studio")});
    EXPECT_EQ(logs->messages(LogLevel::Info, QStringLiteral("ConnectedMacsViewModel")),
              QStringList{QStringLiteral("Added connected Mac to UI list: Studio")});
    EXPECT_EQ(monitor->added.size(), 0) << "the discovery service hands new links to the monitor";
}

TEST_F(ConnectedMacsViewModelTest, AStatusChangeKeepsTheRecordAndReloadsTheListFromStorage)
{
    ConnectedMacsViewModel &vm = make();
    storage->addTestData(PreviewFixtures::linkedMacs());
    const QUuid stranger = PreviewFixtures::linkedMac(9, QStringLiteral("Gone")).id();
    const MacConnectionStatusPtr status = statusIn(ConnectionState::Unstable, stranger);
    Q_EMIT monitor->connectionStatusChanged(stranger, status);
    settle();
    EXPECT_EQ(vm.connectionStatuses().value(stranger), status) << "kept, though that computer is not linked";
    EXPECT_EQ(vm.connectedMacs().size(), 3);

    // The store cannot be read: the status still lands, the list stays, and nothing is shown to the user.
    storage->stubbedListConnectedMacsResponse = StorageError::corruptedData(QStringLiteral("bad JSON"));
    const QUuid first = vm.connectedMacs().first().id();
    const MacConnectionStatusPtr connected = statusIn(ConnectionState::Connected, first);
    Q_EMIT monitor->connectionStatusChanged(first, connected);
    settle();
    EXPECT_EQ(vm.connectionStatuses().value(first), connected);
    EXPECT_EQ(vm.connectionStatuses().value(stranger), status);
    EXPECT_EQ(vm.connectedMacs().size(), 3);
    EXPECT_EQ(vm.errorMessage(), std::nullopt);
    ASSERT_EQ(logs->messages(LogLevel::Warning).size(), 1);
    EXPECT_TRUE(logs->messages(LogLevel::Warning)
                    .first()
                    .startsWith(QStringLiteral("Failed to reload connected Macs from storage: ")));
}

TEST_F(ConnectedMacsViewModelTest, ComputersAreOrderedByCodePointsOfTheirCanonicalNamesAndStably)
{
    const QString composed = QStringLiteral("\u00C5sa");
    const QString decomposed = QStringLiteral("A\u030Asa");
    const ConnectedMac alpha = PreviewFixtures::linkedMac(1, QStringLiteral("alpha"));
    const ConnectedMac beta = PreviewFixtures::linkedMac(2, QStringLiteral("Beta"));
    const ConnectedMac firstAsa = PreviewFixtures::linkedMac(3, decomposed);
    const ConnectedMac secondAsa = PreviewFixtures::linkedMac(4, composed);
    storage->addTestData({firstAsa, alpha, secondAsa, beta});
    ConnectedMacsViewModel &vm = make();
    test::runTask(vm.refreshConnectedMacs());
    // Upper case before lower case; "Åsa" after both, whether written composed or not; equal names in the
    // store's order.
    EXPECT_EQ(idsOf(vm.connectedMacs()), (QList<QUuid>{beta.id(), alpha.id(), firstAsa.id(), secondAsa.id()}));

    const ConnectedMac thirdAsa = PreviewFixtures::linkedMac(5, composed);
    discovery->establish(thirdAsa);
    settle();
    EXPECT_EQ(vm.connectedMacs().last().id(), thirdAsa.id()) << "a new link with an equal name comes after";
}

// Refresh and removal ----------------------------------------------------------------------------

TEST_F(ConnectedMacsViewModelTest, RefreshListsTakesTheMonitorsRecordsAndLogs)
{
    storage->addTestData(PreviewFixtures::linkedMacs());
    ConnectedMacsViewModel &vm = make();
    QSignalSpy refreshing(&vm, &ConnectedMacsViewModel::isRefreshingChanged);
    discovery->removeError = StorageError::diskFull();
    test::runTask(vm.disconnectFromMac(PreviewFixtures::linkedMac(7, QStringLiteral("x"))));
    ASSERT_TRUE(vm.errorMessage().has_value());

    test::runTask(vm.refreshConnectedMacs());
    EXPECT_EQ(vm.errorMessage(), std::nullopt) << "a refresh starts by clearing the last error";
    EXPECT_EQ(refreshing.size(), 2);
    EXPECT_FALSE(vm.isRefreshing());
    EXPECT_TRUE(vm.hasConnectedMacs());
    EXPECT_EQ(vm.connectionStatuses().size(), 3);
    for (const ConnectedMac &mac : vm.connectedMacs()) {
        EXPECT_EQ(vm.connectionStatuses().value(mac.id()), monitor->getConnectionStatus(mac.id()));
    }
    EXPECT_EQ(logs->messages(LogLevel::Info, QStringLiteral("ConnectedMacsViewModel")),
              (QStringList{QStringLiteral("Refreshing connected Macs"), QStringLiteral("Refreshed 3 connected Macs")}));

    // The store fails: the user reads why, the list and the records stay, and both lines are logged.
    logs->clear();
    storage->stubbedListConnectedMacsResponse
        = StorageError::permissionDenied(QStringLiteral("/data/connected-macs.json"));
    const ConnectedMacsViewModel::StatusTable before = vm.connectionStatuses();
    test::runTask(vm.refreshConnectedMacs());
    EXPECT_EQ(vm.errorMessage(),
              QStringLiteral("Failed to refresh connected computers: Verandel is not allowed to "
                             "read or write its data folder."));
    EXPECT_EQ(vm.connectedMacs().size(), 3);
    EXPECT_EQ(vm.connectionStatuses(), before);
    EXPECT_FALSE(vm.isRefreshing());
    EXPECT_EQ(logs->messages(LogLevel::Info, QStringLiteral("ConnectedMacsViewModel")),
              (QStringList{QStringLiteral("Refreshing connected Macs"), QStringLiteral("Refreshed 3 connected Macs")}));

    storage->stubbedListConnectedMacsResponse.reset();
    storage->reset();
    logs->clear();
    test::runTask(vm.refreshConnectedMacs());
    EXPECT_FALSE(vm.hasConnectedMacs());
    EXPECT_TRUE(vm.connectionStatuses().isEmpty());
    EXPECT_TRUE(logs->contains(LogLevel::Info, QStringLiteral("Refreshed 0 connected Macs")));
}

TEST_F(ConnectedMacsViewModelTest, RefreshLeavesTheHealthOfComputersTheMonitorWatchesAlone)
{
    const QList<ConnectedMac> macs = PreviewFixtures::linkedMacs();
    storage->addTestData(macs);
    // The monitor already pings the first two; the third was linked while it was stopped.
    const MacConnectionStatusPtr connected = statusIn(ConnectionState::Connected, macs.at(0).id());
    const MacConnectionStatusPtr unstable = statusIn(ConnectionState::Unstable, macs.at(1).id());
    monitor->statuses.insert(macs.at(0).id(), connected);
    monitor->statuses.insert(macs.at(1).id(), unstable);
    ConnectedMacsViewModel &vm = make();

    for (int refresh = 0; refresh < 2; ++refresh) {
        test::runTask(vm.refreshConnectedMacs());
    }
    EXPECT_EQ(idsOf(monitor->added), QList<QUuid>{macs.at(2).id()}) << "only the computer it did not know, once";
    EXPECT_EQ(vm.connectionStatuses().value(macs.at(0).id()), connected);
    EXPECT_EQ(connected->connectionState(), ConnectionState::Connected);
    EXPECT_EQ(vm.connectionStatuses().value(macs.at(1).id())->connectionState(), ConnectionState::Unstable);
    EXPECT_EQ(vm.connectionStatuses().value(macs.at(2).id())->connectionState(), ConnectionState::Disconnected);
}

TEST_F(ConnectedMacsViewModelTest, RemovalDropsTheComputerButNotItsRecordAndReportsAFailureByName)
{
    const QList<ConnectedMac> macs = PreviewFixtures::linkedMacs();
    storage->addTestData(macs);
    ConnectedMacsViewModel &vm = make();
    test::runTask(vm.refreshConnectedMacs());

    test::runTask(vm.disconnectFromMac(macs.at(1)));
    EXPECT_EQ(discovery->calls.last(),
              QStringLiteral("remove ") + macs.at(1).id().toString(QUuid::WithoutBraces).toUpper());
    EXPECT_EQ(idsOf(vm.connectedMacs()), (QList<QUuid>{macs.at(0).id(), macs.at(2).id()}));
    EXPECT_TRUE(vm.connectionStatuses().contains(macs.at(1).id())) << "until the next refresh";
    EXPECT_EQ(vm.errorMessage(), std::nullopt);

    discovery->removeError = StorageError::fileLockTimeout();
    test::runTask(vm.disconnectFromMac(macs.at(0)));
    EXPECT_EQ(vm.errorMessage(),
              QStringLiteral("Failed to disconnect from \u2068Design Studio\u2069: Verandel’s data "
                             "is busy. Try again in a moment."));
    EXPECT_EQ(vm.connectedMacs().size(), 2);
    vm.clearError();
    EXPECT_EQ(vm.errorMessage(), std::nullopt);
}

TEST_F(ConnectedMacsViewModelTest, PassesTheMonitorsStateChangesOn)
{
    ConnectedMacsViewModel &vm = make();
    QSignalSpy changes(&vm, &ConnectedMacsViewModel::connectionStateChanged);
    const QUuid id = PreviewFixtures::linkedMac(1, QStringLiteral("Studio")).id();
    Q_EMIT monitor->connectionStateChanged(id, ConnectionState::Unstable);
    ASSERT_EQ(changes.size(), 1);
    EXPECT_EQ(changes.first().at(0).value<QUuid>(), id);
    EXPECT_EQ(changes.first().at(1).value<ConnectionState>(), ConnectionState::Unstable);
}

// With the real discovery service ----------------------------------------------------------------

TEST(ConnectedMacsViewModelWithDiscoveryTest, ANewCodeReachesTheScreenOnlyOnceItIsAdvertised)
{
    const QDateTime now = PreviewFixtures::now();
    auto logs = std::make_shared<RecordingLoggerFactory>();
    auto listener = std::make_shared<FakeFrameListener>();
    auto permissions = std::make_shared<MockSystemPermissionChecker>();
    permissions->simulateLocalNetworkStatus(SystemPermissionStatus::Authorized);
    auto storage = std::make_shared<TestableMacStorageService>();
    auto monitor = std::make_shared<FakeConnectionMonitor>();
    auto directory = std::make_shared<FakePeerDirectory>();
    auto service = std::make_shared<MacDiscoveryService>(
        std::make_shared<MockTransport>(), listener,
        std::make_shared<FakeMacIdentifier>(QUuid::fromString(QStringLiteral("b0000000-0000-4000-8000-000000000001"))),
        std::make_shared<PeerCommunicationHub>(logs), storage, monitor, directory, permissions,
        std::make_shared<RecordingMetricsPublisher>(), *logs, std::make_shared<ManualClock>(now));
    ConnectedMacsViewModel vm(service, monitor, directory, storage, permissions, *logs);

    QStringList shownWhileAdvertised;
    QObject::connect(&vm, &DiscoveryViewModelProtocol::currentSecurityCodeChanged, &vm, [&] {
        const std::optional<QString> advertised
            = listener->advertised ? listener->advertised->securityCode() : std::nullopt;
        shownWhileAdvertised.append(vm.currentSecurityCode() ? vm.currentSecurityCode()->code() : QString());
        EXPECT_EQ(vm.currentSecurityCode() ? std::optional<QString>(vm.currentSecurityCode()->code()) : std::nullopt,
                  advertised);
    });
    test::runTask(vm.setDiscoveryModeEnabled(true));
    settle();
    ASSERT_TRUE(vm.isDiscoveryActive());
    const QString first = vm.currentSecurityCode()->code();

    test::runTask(vm.generateNewSecurityCode());
    settle();
    ASSERT_TRUE(vm.currentSecurityCode().has_value());
    EXPECT_NE(vm.currentSecurityCode()->code(), first);
    EXPECT_EQ(listener->advertised->securityCode(), vm.currentSecurityCode()->code());
    EXPECT_GE(shownWhileAdvertised.size(), 2);

    test::runTask(vm.setDiscoveryModeEnabled(false));
    settle();
    EXPECT_EQ(vm.currentSecurityCode(), std::nullopt);
    EXPECT_EQ(listener->advertised->securityCode(), std::nullopt);
}
