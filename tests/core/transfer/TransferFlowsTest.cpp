// The four flows of the coordinator as progress sequences: take control, send control, the inbound
// transfer and the pairing of devices another computer handed over.
#include "ControlCoordinatorFixture.h"

#include "foundation/StorageError.h"

using namespace verandel;
using namespace verandel::test;
using namespace verandel::ProgressStatus;
using Status = ControlTransferProgressStatus;

// Devices-ready pairing ---------------------------------------------------------------------------

TEST(DevicesReadyPairingTest, SequencesOfPairingWhatAnotherComputerHandedOver)
{
    struct Row
    {
        const char *name;
        std::function<void(CoordinatorHarness &)> arrange;
        QList<TransferDeviceDescriptor> descriptors;
        QList<Status> expected;
    };
    const auto linkedAndListed = [](CoordinatorHarness &h) {
        h.link(kPeer);
        h.listedAsPaired({kStoredKeyboard, kStoredTrackpad, kStoredMouse});
    };
    const QList<TransferDeviceDescriptor> three{descriptorOf(kKeyboard, 1), descriptorOf(kTrackpad, 2),
                                                descriptorOf(kMouse, 3)};
    const QList<TransferDeviceDescriptor> two = three.mid(0, 2);
    const Row rows[] = {
        {"permission undecided",
         [&](CoordinatorHarness &h) {
             linkedAndListed(h);
             h.permissions->simulateBluetoothStatus(SystemPermissionStatus::Unknown);
         },
         three,
         {Blocked{ControlTransferBlockedReason::BluetoothPermissionPreflight}}},
        {"permission denied",
         [&](CoordinatorHarness &h) {
             linkedAndListed(h);
             h.permissions->simulateBluetoothStatus(SystemPermissionStatus::Denied);
         },
         three,
         {UserActionRequired{}}},
        {"sender not linked",
         [](CoordinatorHarness &h) { h.listedAsPaired({kStoredKeyboard}); },
         three,
         {PairingStarted{3}, Blocked{ControlTransferBlockedReason::PeerUnavailable}}},
        {"three, the second failing",
         [&](CoordinatorHarness &h) {
             linkedAndListed(h);
             h.bluetooth->pairResults.insert(kTrackpad, failure(OperationFailureCategory::Timeout));
         },
         three,
         {PairingStarted{3}, PairResult{kKeyboard, true, {}},
          PairResult{kTrackpad, false, OperationFailureCategory::Timeout}, PairResult{kMouse, true, {}},
          OwnershipUpdated{2}, Success{}}},
        {"none paired, the last cancelled",
         [&](CoordinatorHarness &h) {
             linkedAndListed(h);
             h.bluetooth->pairResults.insert(kKeyboard, failure(OperationFailureCategory::Timeout));
             h.bluetooth->pairResults.insert(kTrackpad, failure(OperationFailureCategory::Cancelled));
         },
         two,
         {PairingStarted{2}, PairResult{kKeyboard, false, OperationFailureCategory::Timeout},
          PairResult{kTrackpad, false, OperationFailureCategory::Cancelled}, Cancelled{}}},
        {"none paired, the last without a category",
         [&](CoordinatorHarness &h) {
             linkedAndListed(h);
             h.bluetooth->pairResults.insert(kKeyboard, failure(OperationFailureCategory::Timeout));
             h.bluetooth->pairResults.insert(kTrackpad, failureWithoutCategory());
         },
         two,
         {PairingStarted{2}, PairResult{kKeyboard, false, OperationFailureCategory::Timeout},
          PairResult{kTrackpad, false, {}}, Failed{}}},
        {"permission lost at the second",
         [&](CoordinatorHarness &h) {
             linkedAndListed(h);
             h.bluetooth->pairResults.insert(kTrackpad, failure(OperationFailureCategory::PermissionDenied));
         },
         three,
         {PairingStarted{3}, PairResult{kKeyboard, true, {}},
          PairResult{kTrackpad, false, OperationFailureCategory::PermissionDenied}, UserActionRequired{},
          OwnershipUpdated{1}, Success{}}},
        {"permission lost at the first",
         [&](CoordinatorHarness &h) {
             linkedAndListed(h);
             h.bluetooth->pairResults.insert(kKeyboard, failure(OperationFailureCategory::PermissionDenied));
         },
         two,
         {PairingStarted{2}, PairResult{kKeyboard, false, OperationFailureCategory::PermissionDenied},
          UserActionRequired{}, UserActionRequired{}}},
        {"paired but not listed",
         [](CoordinatorHarness &h) { h.link(kPeer); },
         three.mid(0, 1),
         {PairingStarted{1}, PairResult{kKeyboard, true, {}}, Failed{}}},
        {"paired but not stored",
         [&](CoordinatorHarness &h) {
             linkedAndListed(h);
             h.devices->failure = StorageError::diskFull();
         },
         three.mid(0, 1),
         {PairingStarted{1}, PairResult{kKeyboard, true, {}}, Failed{}}},
    };
    for (const Row &row : rows) {
        SCOPED_TRACE(row.name);
        CoordinatorHarness h;
        row.arrange(h);
        h.receiveDevicesReady(kPeer, kTransaction, row.descriptors);
        EXPECT_EQ(h.statuses(), row.expected);
        for (const ControlTransferProgress &record : h.records) {
            EXPECT_EQ(record.direction, ControlTransferDirection::InboundTransfer) << "nothing was asked for";
            EXPECT_EQ(record.peerMacId, kPeer);
            EXPECT_EQ(record.transactionId, kTransaction);
        }
        const bool owned = std::holds_alternative<Success>(row.expected.last());
        EXPECT_EQ(h.ownership->devicesOwnedBy(kLocal).isEmpty(), !owned);
        EXPECT_EQ(h.monitor->forcedHealthChecks.isEmpty(), !owned);
    }
}

TEST_F(ControlCoordinatorFixture, PairedDevicesAreStoredOwnedAndAnnouncedToEveryOtherLinkedComputer)
{
    link(kSecond);
    link(kLocal);
    link(kPeer);
    // Already stored (an earlier transfer): updated, not added again.
    devices->devices = {storedDevice(kMouse, QStringLiteral("Old mouse"), 9)};
    listedAsPaired({kStoredKeyboard, kStoredTrackpad, kStoredMouse});
    bluetooth->pairResults.insert(kTrackpad, failure(OperationFailureCategory::Timeout));
    receiveDevicesReady(kPeer, kTransaction,
                        {descriptorOf(kKeyboard, 1), descriptorOf(kTrackpad, 2), descriptorOf(kMouse, 3)});

    EXPECT_EQ(ownership->currentOwnershipState(),
              (DeviceOwnershipService::OwnershipMap{{kKeyboard, kLocal}, {kMouse, kLocal}}));
    EXPECT_EQ(monitor->forcedHealthChecks, (QList<QUuid>{kSecond, kPeer, kSecond, kPeer}))
        << "every linked computer but this one, after each saved device";
    ASSERT_EQ(devices->devices.size(), 2);
    const Device &mouse = devices->devices.at(0);
    EXPECT_EQ(mouse.name(), QStringLiteral("Mouse")) << "the listed device's name";
    EXPECT_EQ(mouse.telemetryDeviceId(), descriptorOf(kMouse, 3).telemetryDeviceId) << "the descriptor's id";
    EXPECT_EQ(mouse.detectionAttributes(), kStoredMouse.detectionAttributes());
    EXPECT_EQ(mouse.legacyDeviceType(), std::nullopt);

    EXPECT_EQ(
        metricNames(),
        (QList<MetricsEventName>{MetricsEventName::DevicesReadyForPairingReceived, MetricsEventName::DevicePairResult,
                                 MetricsEventName::SharedDeviceAdded, MetricsEventName::DevicePairResult,
                                 MetricsEventName::DevicePairResult, MetricsEventName::TransferOwnershipUpdated,
                                 MetricsEventName::TransferOwnershipUpdated}));
    const MetricsEvent &received = metrics->events.at(0);
    EXPECT_EQ(received.readyDeviceCount, 3);
    EXPECT_EQ(received.peerInstallationId, QStringLiteral("5b2e0000-0000-4000-8000-0000000000aa"));
    EXPECT_EQ(metrics->events.at(3).failureReason, MetricsFailureReason::Timeout);
    EXPECT_EQ(metrics->events.at(3).result, MetricsResult::Failure);
    EXPECT_EQ(metrics->events.at(6).ownershipState, MetricsOwnershipState::Local);
    EXPECT_EQ(metrics->events.at(6).transactionId, kTransaction);
    EXPECT_EQ(metrics->events.at(6).telemetryDeviceId, descriptorOf(kMouse, 3).telemetryDeviceId);
    EXPECT_TRUE(logs->contains(LogLevel::Info, QStringLiteral("Pairing completed: 2 paired, 1 failed")));
}

// Inbound transfer ----------------------------------------------------------------------------------

TEST(InboundTransferTest, SequencesOfGivingDevicesUpOnRequest)
{
    struct Row
    {
        const char *name;
        std::function<void(CoordinatorHarness &)> arrange;
        QList<Status> expected;
        QList<TransferDeviceDescriptor> handedOver;
    };
    const auto linkedAndHolding = [](CoordinatorHarness &h) {
        h.link(kPeer);
        h.holdConnected({kStoredKeyboard, kStoredTrackpad, kStoredMouse});
    };
    const Row rows[] = {
        {"requester not linked",
         [](CoordinatorHarness &h) { h.holdConnected({kStoredKeyboard}); },
         {InboundTransferRequestReceived{}, Blocked{ControlTransferBlockedReason::PeerUnavailable}},
         {}},
        {"the second of three in conflict",
         [&](CoordinatorHarness &h) {
             linkedAndHolding(h);
             h.bluetooth->unpairResults.insert(kTrackpad, failure(OperationFailureCategory::Conflict));
         },
         {InboundTransferRequestReceived{}, OperationStarted{}, UnpairingStarted{3}, UnpairResult{kKeyboard, true, {}},
          UnpairResult{kTrackpad, false, OperationFailureCategory::Conflict}, UnpairResult{kMouse, true, {}},
          DevicesReadySent{2}},
         {descriptorOf(kKeyboard, 1), descriptorOf(kMouse, 3)}},
        {"permission lost at the second",
         [&](CoordinatorHarness &h) {
             linkedAndHolding(h);
             h.bluetooth->unpairResults.insert(kTrackpad, failure(OperationFailureCategory::PermissionDenied));
         },
         {InboundTransferRequestReceived{}, OperationStarted{}, UnpairingStarted{3}, UnpairResult{kKeyboard, true, {}},
          UnpairResult{kTrackpad, false, OperationFailureCategory::PermissionDenied}, DevicesReadySent{1}},
         {descriptorOf(kKeyboard, 1)}},
    };
    for (const Row &row : rows) {
        SCOPED_TRACE(row.name);
        CoordinatorHarness h;
        row.arrange(h);
        h.receiveTransferRequest(kPeer, kTransaction);
        EXPECT_EQ(h.statuses(), row.expected);
        if (row.handedOver.isEmpty()) {
            EXPECT_TRUE(h.readyCommands.isEmpty());
            continue;
        }
        ASSERT_EQ(h.readyCommands.size(), 1);
        EXPECT_EQ(h.readyCommands.first().deviceDescriptors, row.handedOver);
        EXPECT_EQ(h.readyCommands.first().transactionId, kTransaction);
        EXPECT_EQ(h.readyCommands.first().recipientMacId, kPeer);
        // Handed over once the requester lists what it got.
        QStringList addresses;
        for (const TransferDeviceDescriptor &descriptor : row.handedOver) {
            addresses.append(descriptor.macAddress);
        }
        h.receivePing(kPeer, addresses);
        EXPECT_EQ(h.statuses().mid(row.expected.size()), QList<Status>{Success{}});
    }
}

// Take control ----------------------------------------------------------------------------------------

TEST_F(ControlCoordinatorFixture, TakeControlAsksEveryTargetAndClearsThemOneByOne)
{
    link(kPeer);
    link(kLocal);
    link(kSecond);
    link(kThird);
    QSet<QUuid> pendingAtFirstRequest;
    QObject::connect(hub.get(), &PeerCommunicationHub::transferRequests, coordinator.get(),
                     [&](const SendTransferCommand &command) {
                         if (pendingAtFirstRequest.isEmpty()) {
                             pendingAtFirstRequest = coordinator->pendingTakeControlTargets(command.transactionId);
                         }
                     });
    coordinator->takeControl();
    settle();

    EXPECT_EQ(statuses(),
              (QList<Status>{OperationStarted{}, OutboundTransferRequestSent{}, OutboundTransferRequestSent{},
                             OutboundTransferRequestSent{}}));
    EXPECT_EQ(records.first().peerMacId, std::nullopt);
    QList<std::optional<QUuid>> peers;
    for (const ControlTransferProgress &record : records.mid(1)) {
        peers.append(record.peerMacId);
    }
    EXPECT_EQ(peers, (QList<std::optional<QUuid>>{kPeer, kSecond, kThird})) << "in the listing's order";
    const QString transactionId = records.first().transactionId;
    EXPECT_EQ(pendingAtFirstRequest, (QSet<QUuid>{kPeer, kSecond, kThird}));
    ASSERT_EQ(transferRequests.size(), 3);
    EXPECT_EQ(transferRequests.at(1).recipientMacId, kSecond);
    EXPECT_EQ(transferRequests.at(1).transactionId, transactionId);

    listedAsPaired({kStoredKeyboard, kStoredTrackpad, kStoredMouse});
    const QList<std::pair<QUuid, TransferDeviceDescriptor>> answers{{kSecond, descriptorOf(kTrackpad, 2)},
                                                                    {kPeer, descriptorOf(kKeyboard, 1)},
                                                                    {kThird, descriptorOf(kMouse, 3)}};
    QSet<QUuid> left{kPeer, kSecond, kThird};
    for (const auto &[sender, descriptor] : answers) {
        records.clear();
        receiveDevicesReady(sender, transactionId, {descriptor});
        left.remove(sender);
        EXPECT_EQ(coordinator->pendingTakeControlTargets(transactionId), left);
        EXPECT_EQ(statuses().last(), Status(Success{}));
        EXPECT_EQ(records.first().direction, ControlTransferDirection::TakeControl);
    }

    // A record that ends nothing, or names another transaction, leaves the store alone.
    coordinator->takeControl(kPeer);
    settle();
    const QString second = records.last().transactionId;
    hub->send(TransferRequestReceivedEvent(kPeer, second));
    settle();
    EXPECT_EQ(coordinator->pendingTakeControlTargets(second), QSet<QUuid>{kPeer})
        << "the inbound flow never touches the store";
}

TEST(TakeControlTest, WhoIsAskedAndWhoIsNot)
{
    struct Row
    {
        const char *name;
        std::function<void(CoordinatorHarness &)> arrange;
        std::optional<QUuid> target;
        QList<Status> expected;
        std::optional<QUuid> peer;
    };
    const Row rows[] = {
        {"no other computer",
         [](CoordinatorHarness &h) { h.link(kLocal); },
         std::nullopt,
         {Blocked{ControlTransferBlockedReason::NoEligibleTarget}},
         std::nullopt},
        {"this computer given",
         [](CoordinatorHarness &h) { h.link(kLocal); },
         kLocal,
         {Blocked{ControlTransferBlockedReason::PeerUnavailable}},
         kLocal},
        {"an unknown computer given",
         [](CoordinatorHarness &h) { h.link(kPeer); },
         kSecond,
         {Blocked{ControlTransferBlockedReason::PeerUnavailable}},
         kSecond},
        {"linked computers that are all unreachable",
         [](CoordinatorHarness &h) {
             h.link(kPeer, false);
             h.link(kSecond, false);
         },
         std::nullopt,
         {Blocked{ControlTransferBlockedReason::NoEligibleTarget}},
         std::nullopt},
        {"an unreachable computer given",
         [](CoordinatorHarness &h) { h.link(kPeer, false); },
         kPeer,
         {Blocked{ControlTransferBlockedReason::PeerUnavailable}},
         kPeer},
        {"one reachable among unreachable ones",
         [](CoordinatorHarness &h) {
             h.link(kPeer, false);
             h.link(kSecond);
         },
         std::nullopt,
         {OperationStarted{}, OutboundTransferRequestSent{}},
         kSecond},
        {"the linked computers cannot be listed",
         [](CoordinatorHarness &h) { h.linked->stubbedListConnectedMacsResponse = StorageError::diskFull(); },
         std::nullopt,
         {Failed{OperationFailureCategory::Unknown}},
         std::nullopt},
    };
    for (const Row &row : rows) {
        SCOPED_TRACE(row.name);
        CoordinatorHarness h;
        row.arrange(h);
        row.target ? h.coordinator->takeControl(*row.target) : h.coordinator->takeControl();
        h.settle();
        EXPECT_EQ(h.statuses(), row.expected);
        EXPECT_EQ(h.records.last().peerMacId, row.peer);
        const bool asked = std::holds_alternative<OutboundTransferRequestSent>(row.expected.last());
        EXPECT_EQ(h.transferRequests.size(), asked ? 1 : 0);
        EXPECT_EQ(h.coordinator->pendingTakeControlTargets(h.records.last().transactionId).size(), asked ? 1 : 0);
    }
}

TEST_F(ControlCoordinatorFixture, ATargetThatNeverAnswersEndsInATimeOutAndALateAnswerIsStillPaired)
{
    link(kPeer);
    link(kSecond);
    listedAsPaired({kStoredKeyboard, kStoredMouse});
    const QDateTime start = clock->now();
    coordinator->takeControl();
    settle();
    const QString transactionId = records.first().transactionId;

    clock->advance(10);
    receiveDevicesReady(kSecond, transactionId, {descriptorOf(kMouse, 3)});
    EXPECT_EQ(coordinator->pendingTakeControlTargets(transactionId), QSet<QUuid>{kPeer});
    records.clear();
    clock->advance(49.9);
    settle();
    EXPECT_TRUE(records.isEmpty());
    clock->advance(0.1);
    settle();
    ASSERT_EQ(records.size(), 1) << "the answered target is not timed out";
    EXPECT_EQ(records.first().status, Status(Failed{OperationFailureCategory::Timeout}));
    EXPECT_EQ(records.first().peerMacId, kPeer);
    EXPECT_EQ(records.first().direction, ControlTransferDirection::TakeControl);
    EXPECT_EQ(records.first().occurredAt, start.addSecs(60));
    EXPECT_TRUE(coordinator->pendingTakeControlTargets(transactionId).isEmpty());

    records.clear();
    receiveDevicesReady(kPeer, transactionId, {descriptorOf(kKeyboard, 1)});
    EXPECT_EQ(statuses().last(), Status(Success{}));
    EXPECT_EQ(records.first().direction, ControlTransferDirection::InboundTransfer) << "its transaction is over";
    EXPECT_EQ(ownership->ownerOf(kKeyboard), kLocal);
    clock->advance(120);
    settle();
    EXPECT_EQ(statuses().last(), Status(Success{}));
}

// Send control ----------------------------------------------------------------------------------------

TEST(SendControlTest, OutcomeRules)
{
    struct Row
    {
        const char *name;
        std::function<void(CoordinatorHarness &)> arrange;
        QList<Status> expected;
        int handedOver;
    };
    const auto linkedAndHolding = [](CoordinatorHarness &h) {
        h.link(kPeer);
        h.holdConnected({kStoredKeyboard, kStoredTrackpad});
    };
    const QList<Status> started{OperationStarted{}, UnpairingStarted{2}};
    const Row rows[] = {
        {"target not linked",
         [](CoordinatorHarness &h) { h.holdConnected({kStoredKeyboard}); },
         {Blocked{ControlTransferBlockedReason::PeerUnavailable}},
         0},
        {"target unreachable",
         [](CoordinatorHarness &h) {
             h.link(kPeer, false);
             h.holdConnected({kStoredKeyboard});
         },
         {Blocked{ControlTransferBlockedReason::PeerUnavailable}},
         0},
        {"nothing connected",
         [](CoordinatorHarness &h) {
             h.link(kPeer);
             h.devices->devices = {kStoredKeyboard};
         },
         {Blocked{ControlTransferBlockedReason::NoConnectedSharedDevices}},
         0},
        {"one of two unpaired",
         [&](CoordinatorHarness &h) {
             linkedAndHolding(h);
             h.bluetooth->unpairResults.insert(kTrackpad, failure(OperationFailureCategory::Timeout));
         },
         started
             + QList<Status>{UnpairResult{kKeyboard, true, {}},
                             UnpairResult{kTrackpad, false, OperationFailureCategory::Timeout}, DevicesReadySent{1}},
         1},
        {"none unpaired, the last cancelled",
         [&](CoordinatorHarness &h) {
             linkedAndHolding(h);
             h.bluetooth->unpairResult = failure(OperationFailureCategory::Timeout);
             h.bluetooth->unpairResults.insert(kTrackpad, failure(OperationFailureCategory::Cancelled));
         },
         started
             + QList<Status>{UnpairResult{kKeyboard, false, OperationFailureCategory::Timeout},
                             UnpairResult{kTrackpad, false, OperationFailureCategory::Cancelled}, Cancelled{}},
         0},
        {"none unpaired, the last timed out",
         [&](CoordinatorHarness &h) {
             linkedAndHolding(h);
             h.bluetooth->unpairResult = failure(OperationFailureCategory::Timeout);
         },
         started
             + QList<Status>{UnpairResult{kKeyboard, false, OperationFailureCategory::Timeout},
                             UnpairResult{kTrackpad, false, OperationFailureCategory::Timeout},
                             Failed{OperationFailureCategory::Timeout}},
         0},
        {"none unpaired, the permission lost",
         [&](CoordinatorHarness &h) {
             linkedAndHolding(h);
             h.bluetooth->unpairResult = failure(OperationFailureCategory::PermissionDenied);
         },
         started
             + QList<Status>{UnpairResult{kKeyboard, false, OperationFailureCategory::PermissionDenied},
                             UserActionRequired{}},
         0},
        {"none unpaired, no category",
         [&](CoordinatorHarness &h) {
             linkedAndHolding(h);
             h.bluetooth->unpairResult = failureWithoutCategory();
         },
         started + QList<Status>{UnpairResult{kKeyboard, false, {}}, UnpairResult{kTrackpad, false, {}}, Failed{}}, 0},
    };
    for (const Row &row : rows) {
        SCOPED_TRACE(row.name);
        CoordinatorHarness h;
        row.arrange(h);
        h.coordinator->sendControl(kPeer);
        h.settle();
        EXPECT_EQ(h.statuses(), row.expected);
        for (const ControlTransferProgress &record : h.records) {
            EXPECT_EQ(record.direction, ControlTransferDirection::SendControl);
            EXPECT_EQ(record.peerMacId, kPeer);
        }
        EXPECT_EQ(h.readyCommands.size(), row.handedOver > 0 ? 1 : 0);
        EXPECT_EQ(h.readyCommands.value(0).deviceDescriptors.size(), row.handedOver);
        EXPECT_EQ(h.bluetooth->unpairCalls.isEmpty(), h.records.size() == 1) << "a blocked transfer unpairs nothing";
        EXPECT_TRUE(h.coordinator->pendingTakeControlTargets(h.records.last().transactionId).isEmpty());
        if (row.handedOver > 0) {
            h.receivePing(kPeer, {kKeyboard}, CoordinatorHarness::Ping::Request);
            EXPECT_EQ(h.statuses().mid(row.expected.size()), QList<Status>{Success{}});
        }
    }
}
