#include "linking/MacDiscoveryService.h"

#include "foundation/LogText.h"
#include "linking/MacDiscoveryError.h"
#include "support/ManualClock.h"
#include "support/QtPrinters.h"
#include "support/RunTask.h"
#include "support/fakes/FakeConnectionMonitor.h"
#include "support/fakes/FakeFrameListener.h"
#include "support/fakes/FakeMacIdentifier.h"
#include "support/fakes/FakePeerDirectory.h"
#include "support/fakes/MockSystemPermissionChecker.h"
#include "support/fakes/MockTransport.h"
#include "support/fakes/RecordingLoggerFactory.h"
#include "support/fakes/RecordingMetricsPublisher.h"
#include "support/fakes/RecordingTestCoordinator.h"
#include "support/fakes/TestableMacStorageService.h"

#include <QCoreApplication>
#include <QSet>

#include <gtest/gtest.h>

using namespace verandel;

namespace {

const QUuid kLocal = QUuid::fromString(QStringLiteral("b0000000-0000-4000-8000-000000000001"));
const QUuid kPeer = QUuid::fromString(QStringLiteral("b0000000-0000-4000-8000-000000000002"));
const QUuid kStranger = QUuid::fromString(QStringLiteral("b0000000-0000-4000-8000-000000000003"));
const QString kPeerInstallation = QStringLiteral("1a1b2c3d-4e5f-4a6b-8c7d-9e0f1a2b3c4d");
const QDateTime kNow(QDate(2026, 1, 1), QTime(8, 0), Qt::UTC);

DiscoverableMac peerRecord(const QUuid &id = kPeer, QString name = QStringLiteral("Studio"),
                           std::optional<QString> code = QStringLiteral("PEER42"))
{
    return DiscoverableMac(id, std::move(name), QStringLiteral("1.0.0"),
                           PeerEndpoint::hostPort(QStringLiteral("127.0.0.1"), 5000), kPeerInstallation,
                           std::move(code), kNow);
}

struct DiscoveryFixture : ::testing::Test
{
    std::shared_ptr<test::RecordingLoggerFactory> logs = std::make_shared<test::RecordingLoggerFactory>();
    std::shared_ptr<test::ManualClock> clock = std::make_shared<test::ManualClock>(kNow);
    std::shared_ptr<test::MockTransport> transport = std::make_shared<test::MockTransport>();
    std::shared_ptr<test::FakeFrameListener> listener = std::make_shared<test::FakeFrameListener>();
    std::shared_ptr<test::FakeMacIdentifier> identity = std::make_shared<test::FakeMacIdentifier>(kLocal);
    std::shared_ptr<PeerCommunicationHub> hub = std::make_shared<PeerCommunicationHub>(logs);
    std::shared_ptr<test::TestableMacStorageService> storage = std::make_shared<test::TestableMacStorageService>();
    std::shared_ptr<test::FakeConnectionMonitor> monitor = std::make_shared<test::FakeConnectionMonitor>();
    std::shared_ptr<test::FakePeerDirectory> directory = std::make_shared<test::FakePeerDirectory>();
    std::shared_ptr<test::MockSystemPermissionChecker> permissions
        = std::make_shared<test::MockSystemPermissionChecker>();
    std::shared_ptr<test::RecordingMetricsPublisher> metrics = std::make_shared<test::RecordingMetricsPublisher>();
    std::shared_ptr<test::RecordingTestCoordinator> signals = std::make_shared<test::RecordingTestCoordinator>();
    std::shared_ptr<MacDiscoveryService> service;
    QStringList sent;
    int established = 0;

    void SetUp() override
    {
        permissions->simulateLocalNetworkStatus(SystemPermissionStatus::Authorized);
        service = std::make_shared<MacDiscoveryService>(transport, listener, identity, hub, storage, monitor, directory,
                                                        permissions, metrics, *logs, clock, signals);
        QObject::connect(hub.get(), &PeerCommunicationHub::connectionRequestCommands, hub.get(),
                         [this](const SendConnectionRequestCommand &c) {
                             sent.append(QStringLiteral("request ") + c.securityCode);
                         });
        QObject::connect(hub.get(), &PeerCommunicationHub::acceptConnectionCommands, hub.get(),
                         [this](const AcceptConnectionRequestCommand &) { sent.append(QStringLiteral("accept")); });
        QObject::connect(hub.get(), &PeerCommunicationHub::rejectConnectionCommands, hub.get(),
                         [this](const RejectConnectionRequestCommand &) { sent.append(QStringLiteral("reject")); });
        QObject::connect(service.get(), &MacDiscoveryServiceProtocol::connectionEstablished, service.get(),
                         [this](const ConnectedMac &) { ++established; });
    }

    void activate()
    {
        test::runTask(service->startDiscovery(std::nullopt));
        ASSERT_EQ(service->state(), DiscoveryServiceState::Active);
    }

    void receiveRequest(const QUuid &from, const QString &code)
    {
        hub->send(ConnectionRequestReceivedEvent(from, code));
        test::settle();
    }

    QList<ConnectionRequestState> requestStates() const
    {
        QList<ConnectionRequestState> states;
        for (const ConnectionRequest &request : service->connectionRequests()) {
            states.append(request.state());
        }
        return states;
    }

    std::optional<QString> advertisedCode() const { return listener->advertised->securityCode(); }
};

} // namespace

// Advertising and Discovery Mode -----------------------------------------------------------------

TEST_F(DiscoveryFixture, BackgroundAdvertisingStartsOnceAndProbesOnceBeforeSkipping)
{
    test::runTask(service->startAdvertising());
    test::runTask(service->startAdvertising());
    EXPECT_EQ(listener->starts, 1);
    EXPECT_EQ(transport->startBrowsingCalls, 1);
    EXPECT_TRUE(service->isBackgroundRuntimeActive());
    EXPECT_EQ(listener->advertised->securityCode(), std::nullopt);

    auto other = std::make_shared<MacDiscoveryService>(transport, listener, identity, hub, storage, monitor, directory,
                                                       permissions, metrics, *logs, clock);
    permissions->simulateLocalNetworkStatus(SystemPermissionStatus::Denied);
    test::runTask(other->startAdvertising());
    EXPECT_EQ(permissions->requestCallCount(), 1);
    EXPECT_FALSE(other->isBackgroundRuntimeActive());
    EXPECT_TRUE(logs->contains(LogLevel::Info,
                               QStringLiteral("Skipping background Bonjour startup because Local "
                                              "Network access is not authorized")));

    // avahi-daemon was only away: the probe finds access.
    permissions->nextRequestResult = SystemPermissionStatus::Authorized;
    permissions->nextRefreshResult = SystemPermissionStatus::Authorized;
    transport->browsing = false;
    test::runTask(other->startAdvertising());
    EXPECT_TRUE(other->isBackgroundRuntimeActive());
}

TEST_F(DiscoveryFixture, DiscoveryModeJoinsABackgroundStartUnderWay)
{
    // At launch the cached status says denied; the probe is still out when the user turns Discovery Mode on.
    permissions->simulateLocalNetworkStatus(SystemPermissionStatus::Denied);
    permissions->nextRequestResult = SystemPermissionStatus::Authorized;
    permissions->nextRefreshResult = SystemPermissionStatus::Authorized;
    OneShot<bool> probe;
    permissions->heldLocalNetworkProbe = probe;
    QCoro::Task<> background = service->startAdvertising();
    QCoro::Task<> discovery = service->startDiscovery(std::nullopt);
    probe.answer(true);
    test::runTask(std::move(discovery));
    test::runTask(std::move(background));
    EXPECT_EQ(listener->starts, 1);
    EXPECT_EQ(service->state(), DiscoveryServiceState::Active);
    EXPECT_EQ(advertisedCode(), service->currentSecurityCode()->code());
}

TEST_F(DiscoveryFixture, ABrowsingFailureRollsBackAndReachesTheCallerUnchanged)
{
    transport->stubbedStartBrowsingError = TransportError::browsingFailed(QStringLiteral("no daemon"));
    try {
        test::runTask(service->startDiscovery(std::nullopt));
        FAIL() << "no error";
    } catch (const TransportError &error) {
        EXPECT_EQ(error, TransportError::browsingFailed(QStringLiteral("no daemon")));
    }
    EXPECT_FALSE(listener->isRunning());
    EXPECT_EQ(transport->stopBrowsingCalls, 1);
    EXPECT_EQ(permissions->refreshCallCount(), 2);
    EXPECT_EQ(service->state(), DiscoveryServiceState::Idle);
    EXPECT_EQ(service->lastError(), TransportError::browsingFailed(QStringLiteral("no daemon")).description());
    EXPECT_EQ(service->currentSession(), nullptr);
    EXPECT_EQ(service->currentSecurityCode(), std::nullopt);
}

TEST_F(DiscoveryFixture, AFailedStartSettlesOnlyOnceItHasCleanedUp)
{
    // A caller that joins a failing start must not start browsing while the failure still stops it.
    transport->stubbedStartBrowsingError = TransportError::browsingFailed(QStringLiteral("no daemon"));
    OneShot<bool> stopping;
    transport->heldStopBrowsing = stopping;
    QCoro::Task<> failing = service->startAdvertising();
    transport->stubbedStartBrowsingError.reset();
    QCoro::Task<> joining = service->startAdvertising();
    EXPECT_EQ(listener->starts, 1);
    stopping.answer(true);
    EXPECT_THROW(test::runTask(std::move(failing)), TransportError);
    test::runTask(std::move(joining));
    EXPECT_EQ(listener->starts, 2);
    EXPECT_TRUE(listener->isRunning());
    EXPECT_TRUE(transport->browsing);
    EXPECT_TRUE(service->isBackgroundRuntimeActive());
}

TEST_F(DiscoveryFixture, PermissionDeniedLeavesTheExactErrorAndNoSession)
{
    permissions->simulateLocalNetworkStatus(SystemPermissionStatus::Unknown);
    permissions->nextRequestResult = SystemPermissionStatus::Denied;
    permissions->nextRefreshResult = SystemPermissionStatus::Denied;
    try {
        test::runTask(service->startDiscovery(std::nullopt));
        FAIL() << "no error";
    } catch (const MacDiscoveryError &error) {
        EXPECT_EQ(error.kind(), MacDiscoveryError::Kind::PermissionDenied);
        EXPECT_EQ(error.description(), QStringLiteral("Local Network access is required to enable Discovery Mode"));
    }
    EXPECT_EQ(permissions->requestCallCount(), 1) << "an unknown status is asked for";
    EXPECT_EQ(permissions->refreshCallCount(), 0);
    EXPECT_EQ(service->lastError(), QStringLiteral("Local Network access is required to enable Discovery Mode"));
    EXPECT_EQ(service->state(), DiscoveryServiceState::Idle);
    EXPECT_EQ(service->currentSession(), nullptr);
    EXPECT_EQ(service->currentSecurityCode(), std::nullopt);
}

TEST_F(DiscoveryFixture, StartingAdvertisesTheCodeTheSessionAndTheScreenShare)
{
    activate();
    EXPECT_EQ(permissions->refreshCallCount(), 1) << "a known status is refreshed";
    const DiscoverySessionPtr session = service->currentSession();
    ASSERT_NE(session, nullptr);
    EXPECT_EQ(session->state(), DiscoverySessionState::Discovering);
    EXPECT_EQ(session->securityCode(), service->currentSecurityCode()->code());
    EXPECT_EQ(advertisedCode(), session->securityCode());
    EXPECT_EQ(signals->signals.filter(QStringLiteral("stateChanged.")),
              (QStringList{QStringLiteral("stateChanged.starting"), QStringLiteral("stateChanged.active")}));

    try {
        test::runTask(service->startDiscovery(std::nullopt));
        FAIL() << "no error";
    } catch (const MacDiscoveryError &error) {
        EXPECT_EQ(error.description(), QStringLiteral("Invalid state: Cannot start discovery in state: active"));
    }
    EXPECT_EQ(service->state(), DiscoveryServiceState::Active);

    test::runTask(service->stopDiscovery());
    test::runTask(service->startDiscovery(QStringLiteral("ABCD1234")));
    EXPECT_EQ(service->currentSecurityCode()->code(), QStringLiteral("ABCD1234"));
    EXPECT_TRUE(
        logs->contains(LogLevel::Info, QStringLiteral("Discovery session started successfully with code: ABCD-1234")));
}

TEST_F(DiscoveryFixture, StoppingEmptiesRequestsKeepsDiscoveredComputersAndWithdrawsTheCode)
{
    test::runTask(service->stopDiscovery());
    EXPECT_TRUE(logs->contains(LogLevel::Warning, QStringLiteral("Cannot stop discovery in state: idle")));

    activate();
    transport->simulateDiscoveredMac(peerRecord());
    receiveRequest(kPeer, QStringLiteral("PEER42"));
    const DiscoverySessionPtr session = service->currentSession();
    test::runTask(service->stopDiscovery());
    EXPECT_EQ(service->state(), DiscoveryServiceState::Idle);
    EXPECT_EQ(session->state(), DiscoverySessionState::Stopped);
    EXPECT_TRUE(service->connectionRequests().isEmpty());
    EXPECT_EQ(service->discoveredMacs().size(), 1);
    EXPECT_EQ(advertisedCode(), std::nullopt);
}

TEST_F(DiscoveryFixture, ATransportErrorIsNoDeadEnd)
{
    activate();
    const DiscoverySessionPtr session = service->currentSession();
    transport->simulateError(TransportError::browsingFailed(QStringLiteral("daemon gone")));
    test::settle();
    EXPECT_EQ(service->state(), DiscoveryServiceState::Error);
    EXPECT_EQ(session->state(), DiscoverySessionState::Failed);
    EXPECT_EQ(service->currentSession(), session);
    EXPECT_TRUE(listener->isRunning()) << "background advertising stays";

    // A stop leads back to idle, and so does shutting advertising down.
    test::runTask(service->stopDiscovery());
    EXPECT_EQ(service->state(), DiscoveryServiceState::Idle);
    EXPECT_EQ(service->lastError(), std::nullopt);
    transport->simulateError(TransportError::browsingFailed(QStringLiteral("daemon gone")));
    test::settle();
    test::runTask(service->stopAdvertising());
    EXPECT_EQ(service->state(), DiscoveryServiceState::Idle);

    // A start works from the error state too, and clears the error.
    transport->simulateError(TransportError::browsingFailed(QStringLiteral("daemon gone")));
    test::settle();
    ASSERT_EQ(service->state(), DiscoveryServiceState::Error);
    transport->browsing = false;
    test::runTask(service->startDiscovery(std::nullopt));
    EXPECT_EQ(service->state(), DiscoveryServiceState::Active);
    EXPECT_EQ(service->lastError(), std::nullopt);
}

TEST_F(DiscoveryFixture, AStopWhileStartingIsNotUndone)
{
    OneShot<bool> probe;
    permissions->heldLocalNetworkProbe = probe;
    QCoro::Task<> starting = service->startDiscovery(std::nullopt);
    ASSERT_EQ(service->state(), DiscoveryServiceState::Starting);
    test::runTask(service->stopDiscovery());
    ASSERT_EQ(service->state(), DiscoveryServiceState::Idle);

    probe.answer(true);
    test::runTask(std::move(starting));
    EXPECT_EQ(service->state(), DiscoveryServiceState::Idle);
    EXPECT_EQ(service->currentSession(), nullptr);
    EXPECT_EQ(service->currentSecurityCode(), std::nullopt);
    EXPECT_FALSE(listener->advertised && listener->advertised->securityCode());
    EXPECT_TRUE(logs->contains(LogLevel::Info,
                               QStringLiteral("Discovery start abandoned: the state changed to idle meanwhile")));
}

TEST_F(DiscoveryFixture, ANewCodeIsAdvertisedBeforeItIsShown)
{
    test::runTask(service->generateNewSecurityCode());
    EXPECT_TRUE(service->currentSecurityCode().has_value()) << "in idle only the code is set";
    EXPECT_EQ(service->currentSession(), nullptr);

    activate();
    const DiscoverySessionPtr first = service->currentSession();
    std::optional<QString> advertisedWhenShown;
    QObject::connect(service.get(), &MacDiscoveryServiceProtocol::currentSecurityCodeChanged, service.get(),
                     [&] { advertisedWhenShown = advertisedCode(); });
    const SecurityCode code = test::runTask(service->generateNewSecurityCode());
    EXPECT_EQ(advertisedWhenShown, code.code());
    EXPECT_NE(service->currentSession(), first);
    EXPECT_EQ(service->currentSession()->securityCode(), code.code());
    EXPECT_EQ(service->currentSession()->state(), DiscoverySessionState::Discovering);
    EXPECT_EQ(first->state(), DiscoverySessionState::Stopped);
}

// Linking handshake ------------------------------------------------------------------------------

TEST_F(DiscoveryFixture, DiscoveredComputersAreListedOnceAndCleaned)
{
    transport->simulateDiscoveredMac(identity->makeDiscoveredMac(std::nullopt));
    EXPECT_TRUE(service->discoveredMacs().isEmpty());
    EXPECT_EQ(signals->signals.count(QStringLiteral("handleDiscoveredMacCompleted")), 1);
    transport->simulateDiscoveredMac(peerRecord(kStranger));
    transport->simulateDiscoveredMac(peerRecord());
    transport->simulateDiscoveredMac(peerRecord(kStranger, QStringLiteral("Lab\r\nMac"), QStringLiteral("abc")));
    ASSERT_EQ(service->discoveredMacs().size(), 2);
    EXPECT_EQ(service->discoveredMacs().first().name(), QStringLiteral("LabMac"));
    EXPECT_EQ(service->discoveredMacs().first().securityCode(), std::nullopt);
}

TEST_F(DiscoveryFixture, AtMost256UnlinkedComputersAreListedTheLeastRecentlySeenGoingFirst)
{
    directory->linked.insert(kPeer);
    transport->simulateDiscoveredMac(peerRecord());
    QList<QUuid> spoofed;
    // 256 that are not linked: the cap, nothing dropped yet.
    for (int i = 0; i < 255; ++i) {
        spoofed.append(QUuid::createUuid());
        transport->simulateDiscoveredMac(peerRecord(spoofed.last()));
        if (i == 0) {
            transport->simulateDiscoveredMac(peerRecord(kStranger));
        }
    }
    ASSERT_EQ(service->discoveredMacs().size(), 257);
    // The first spoofed record seen again is no longer the oldest: the stranger goes, then the second.
    transport->simulateDiscoveredMac(peerRecord(spoofed.first()));
    transport->simulateDiscoveredMac(peerRecord(QUuid::createUuid()));
    transport->simulateDiscoveredMac(peerRecord(QUuid::createUuid()));
    QSet<QUuid> listed;
    for (const DiscoverableMac &mac : service->discoveredMacs()) {
        listed.insert(mac.id());
    }
    EXPECT_EQ(listed.size(), 257);
    EXPECT_TRUE(listed.contains(kPeer)) << "a linked computer is never dropped";
    EXPECT_TRUE(listed.contains(spoofed.first()));
    EXPECT_FALSE(listed.contains(kStranger));
    EXPECT_FALSE(listed.contains(spoofed.at(1)));
    EXPECT_TRUE(logs->contains(LogLevel::Debug,
                               QStringLiteral("Dropping discovered Mac %1, the least recently seen "
                                              "of 257 discovered Macs that are not linked")
                                   .arg(idText(kStranger))));
}

TEST_F(DiscoveryFixture, IncomingRequestsNeedDiscoveryModeAndAreKeptOncePerSenderWithinALimit)
{
    receiveRequest(kPeer, QStringLiteral("PEER42"));
    EXPECT_TRUE(service->connectionRequests().isEmpty());
    EXPECT_TRUE(logs->containsSubstring(LogLevel::Debug, QStringLiteral("Ignoring connection request from Mac")));

    activate();
    receiveRequest(kPeer, QStringLiteral("PEER42"));
    receiveRequest(kPeer, QStringLiteral("NEWER7"));
    ASSERT_EQ(service->connectionRequests().size(), 1);
    EXPECT_EQ(service->connectionRequests().first().securityCode(), QStringLiteral("NEWER7"));
    EXPECT_EQ(service->connectionRequests().first().direction(), ConnectionDirection::Incoming);

    receiveRequest(kStranger, QStringLiteral("bad\ncode"));
    EXPECT_EQ(service->connectionRequests().last().securityCode(), QString()) << "not a code: none";

    for (int i = 0; i < 70; ++i) {
        hub->send(ConnectionRequestReceivedEvent(QUuid::createUuid(), QStringLiteral("ABC123")));
    }
    test::settle();
    EXPECT_EQ(service->connectionRequests().size(), MacDiscoveryService::maxConnectionRequests);
    EXPECT_TRUE(logs->containsSubstring(LogLevel::Warning, QStringLiteral("Dropping connection request from Mac")));
}

TEST_F(DiscoveryFixture, AcceptingLinksThenAnswersAndEndsDiscoveryMode)
{
    activate();
    transport->simulateDiscoveredMac(peerRecord());
    receiveRequest(kPeer, QStringLiteral("PEER42"));
    test::runTask(service->acceptConnectionRequest(kPeer));
    EXPECT_EQ(requestStates(), QList<ConnectionRequestState>{ConnectionRequestState::Connected});
    ASSERT_EQ(storage->connectedMacs().size(), 1);
    EXPECT_EQ(storage->connectedMacs().first().name(), QStringLiteral("Studio"));
    EXPECT_EQ(directory->connectedMacUpdates.size(), 1);
    EXPECT_EQ(monitor->added.size(), 1);
    ASSERT_EQ(metrics->events.size(), 1);
    EXPECT_EQ(metrics->events.first().name, MetricsEventName::MacLinkEstablished);
    EXPECT_EQ(metrics->events.first().peerInstallationId, kPeerInstallation);
    EXPECT_EQ(established, 1);
    test::settle();
    EXPECT_EQ(sent, QStringList{QStringLiteral("accept")});
    EXPECT_EQ(service->state(), DiscoveryServiceState::Idle);
    EXPECT_TRUE(service->connectionRequests().isEmpty());

    // Nothing pending any more: nothing happens.
    test::runTask(service->acceptConnectionRequest(kPeer));
    test::settle();
    EXPECT_EQ(sent.size(), 1);
}

TEST_F(DiscoveryFixture, AnAcceptanceWithoutALinkHereStaysPendingAndIsNotSent)
{
    activate();
    receiveRequest(kPeer, QStringLiteral("PEER42"));
    test::runTask(service->acceptConnectionRequest(kPeer)); // not discovered
    transport->simulateDiscoveredMac(peerRecord());
    storage->stubbedListConnectedMacsResponse = StorageError::diskFull();
    test::runTask(service->acceptConnectionRequest(kPeer)); // the store fails
    test::settle();
    EXPECT_EQ(requestStates(), QList<ConnectionRequestState>{ConnectionRequestState::Pending});
    EXPECT_TRUE(sent.isEmpty());
    EXPECT_EQ(established, 0);
    EXPECT_EQ(service->state(), DiscoveryServiceState::Active);
    EXPECT_EQ(logs->messages(LogLevel::Warning).filter(QStringLiteral("stays pending")).size(), 2);
    EXPECT_TRUE(logs->containsSubstring(LogLevel::Error, QStringLiteral("Failed to add connected Mac to storage: ")));
}

TEST_F(DiscoveryFixture, AComputerStoredAlreadyIsLinkedAgainWithWhatItTellsNow)
{
    storage->addTestData(
        {ConnectedMac(kPeer, QStringLiteral("Old name"), QStringLiteral("old-installation"), kNow.addDays(-3),
                      kNow.addDays(-2), {{QStringLiteral("k"), QStringLiteral("v")}})});
    activate();
    transport->simulateDiscoveredMac(peerRecord());
    receiveRequest(kPeer, QStringLiteral("PEER42"));
    test::runTask(service->acceptConnectionRequest(kPeer));
    test::settle();
    ASSERT_EQ(storage->connectedMacs().size(), 1);
    const ConnectedMac relinked = storage->connectedMacs().first();
    EXPECT_EQ(relinked.name(), QStringLiteral("Studio"));
    EXPECT_EQ(relinked.installationId(), kPeerInstallation);
    EXPECT_EQ(relinked.connectionMetadata().value(QStringLiteral("k")), QStringLiteral("v"));
    EXPECT_EQ(directory->connectedMacUpdates.size(), 1);
    EXPECT_EQ(monitor->added.size(), 1);
    EXPECT_EQ(established, 1);
    EXPECT_EQ(sent, QStringList{QStringLiteral("accept")});
}

TEST_F(DiscoveryFixture, TheRequestingSideLinksOnlyWhatItAskedFor)
{
    activate();
    transport->simulateDiscoveredMac(peerRecord());
    test::runTask(service->sendConnectionRequest(kPeer));
    test::settle();
    EXPECT_EQ(sent, QStringList{QStringLiteral("request ") + service->currentSecurityCode()->code()});

    hub->send(ConnectionRequestAcceptedEvent(kStranger));
    test::settle();
    EXPECT_TRUE(logs->contains(LogLevel::Warning,
                               QStringLiteral("Could not find outgoing connection request for Mac "
                                              "B0000000-0000-4000-8000-000000000003")));
    storage->stubbedAddConnectedMacResponse = StorageError::diskFull();
    hub->send(ConnectionRequestAcceptedEvent(kPeer));
    test::settle();
    EXPECT_EQ(requestStates(), QList<ConnectionRequestState>{ConnectionRequestState::Pending});
    EXPECT_EQ(established, 0);

    storage->stubbedAddConnectedMacResponse.reset();
    hub->send(ConnectionRequestAcceptedEvent(kPeer));
    QCoreApplication::processEvents();
    EXPECT_EQ(requestStates(), QList<ConnectionRequestState>{ConnectionRequestState::Connected});
    EXPECT_EQ(established, 1);
    EXPECT_EQ(signals->signals.count(QStringLiteral("connectionAccepted")), 3);
    test::settle();
    EXPECT_EQ(service->state(), DiscoveryServiceState::Idle);
}

TEST_F(DiscoveryFixture, RejectingCancellingAndRemoving)
{
    test::runTask(service->sendConnectionRequest(kPeer)); // no code yet: the placeholder
    test::settle();
    EXPECT_EQ(sent, QStringList{QStringLiteral("request 48213")});
    test::runTask(service->cancelConnectionRequest(kPeer));
    test::runTask(service->cancelConnectionRequest(kPeer));
    EXPECT_TRUE(logs->contains(LogLevel::Warning,
                               QStringLiteral("No pending connection request found to cancel for "
                                              "macId: B0000000-0000-4000-8000-000000000002")));
    activate();
    test::runTask(service->sendConnectionRequest(kPeer));
    hub->send(ConnectionRequestRejectedEvent(kPeer));
    receiveRequest(kStranger, QStringLiteral("ABC123"));
    test::runTask(service->rejectConnectionRequest(kStranger));
    test::settle();
    // The request cancelled before Discovery Mode is still listed: only a stop empties the list.
    EXPECT_EQ(requestStates(),
              (QList<ConnectionRequestState>{ConnectionRequestState::Rejected, ConnectionRequestState::Rejected,
                                             ConnectionRequestState::Rejected}));
    EXPECT_EQ(sent.last(), QStringLiteral("reject"));

    storage->addTestData({ConnectedMac(kPeer, QStringLiteral("Studio"), kPeerInstallation, kNow, kNow, {})});
    test::runTask(service->removeConnectedMac(kPeer));
    EXPECT_TRUE(storage->connectedMacs().isEmpty());
    EXPECT_EQ(directory->connectedMacUpdates.last(), QList<ConnectedMac>{});
    EXPECT_EQ(monitor->removed, QList<QUuid>{kPeer});
    EXPECT_EQ(service->connectionRequests().size(), 1);

    storage->stubbedDeleteConnectedMacResponse = StorageError::diskFull();
    EXPECT_THROW(test::runTask(service->removeConnectedMac(kStranger)), StorageError);
}
