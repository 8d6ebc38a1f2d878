// The coordinator's frame: the Bluetooth gate with its guidance, the transfer checks, ownership
// clearing and the progress publisher.
#include "ControlCoordinatorFixture.h"

#include "foundation/StorageError.h"

using namespace verandel;
using namespace verandel::test;
using namespace verandel::ProgressStatus;
using Status = ControlTransferProgressStatus;

namespace {

struct FlowRecords
{
    ControlTransferDirection direction;
    std::optional<QUuid> peer;
    QList<Status> statuses;
};

// Every flow, started with the peer linked; a devices-ready command answers a take control begun
// while the gate was open. What the flow published once the gate was shut.
FlowRecords runFlow(int flow, SystemPermissionStatus permission, CoordinatorHarness &h)
{
    h.link(kPeer);
    h.holdConnected({storedDevice(kKeyboard, QStringLiteral("Keyboard"), 1)});
    QString transactionId = kTransaction;
    if (flow == 3) {
        h.coordinator->takeControl(kPeer);
        h.settle();
        transactionId = h.records.first().transactionId;
        h.records.clear();
        h.guidance.clear();
        h.transferRequests.clear();
    }
    h.permissions->simulateBluetoothStatus(permission);
    switch (flow) {
    case 0: h.coordinator->takeControl(kPeer); break;
    case 1: h.coordinator->sendControl(kPeer); break;
    case 2: h.receiveTransferRequest(kPeer, transactionId); break;
    default: h.receiveDevicesReady(kPeer, transactionId, {descriptorOf(kKeyboard, 1)}); break;
    }
    h.settle();
    EXPECT_TRUE(h.coordinator->pendingTakeControlTargets(transactionId).isEmpty());
    FlowRecords result{h.records.value(0).direction, h.records.value(0).peerMacId, h.statuses()};
    return result;
}

} // namespace

TEST(ControlCoordinatorGateTest, EveryFlowStopsAtTheGateUntilBluetoothIsAuthorized)
{
    struct Row
    {
        SystemPermissionStatus permission;
        std::optional<BluetoothPermissionGuidanceState> guidance;
        Status stop;
    };
    const Row rows[] = {
        {SystemPermissionStatus::Unknown, BluetoothPermissionGuidanceState::Preflight,
         Blocked{ControlTransferBlockedReason::BluetoothPermissionPreflight}},
        {SystemPermissionStatus::Denied, BluetoothPermissionGuidanceState::DeniedRecovery, UserActionRequired{}},
    };
    for (const Row &row : rows) {
        const FlowRecords expected[] = {
            {ControlTransferDirection::TakeControl, std::nullopt, {row.stop}},
            {ControlTransferDirection::SendControl, kPeer, {row.stop}},
            {ControlTransferDirection::InboundTransfer, kPeer, {InboundTransferRequestReceived{}, row.stop}},
            {ControlTransferDirection::TakeControl, kPeer, {row.stop}},
        };
        for (int flow = 0; flow < 4; ++flow) {
            SCOPED_TRACE(testing::Message()
                         << "permission " << toString(row.permission).toStdString() << ", flow " << flow);
            CoordinatorHarness h;
            const FlowRecords got = runFlow(flow, row.permission, h);
            EXPECT_EQ(got.statuses, expected[flow].statuses);
            EXPECT_EQ(got.direction, expected[flow].direction);
            EXPECT_EQ(got.peer, expected[flow].peer) << "take control names no peer at the gate, even when given";
            EXPECT_EQ(h.guidance, QList<std::optional<BluetoothPermissionGuidanceState>>{row.guidance});
            EXPECT_EQ(h.coordinator->currentBluetoothPermissionGuidanceState(), row.guidance);
            EXPECT_TRUE(h.bluetooth->unpairCalls.isEmpty());
            EXPECT_TRUE(h.bluetooth->pairCalls.isEmpty());
            EXPECT_TRUE(h.transferRequests.isEmpty());
            EXPECT_TRUE(h.linked->getConnectedMacCalls.isEmpty()) << "nothing is looked up after the gate";
            EXPECT_EQ(h.devices->saves, 0);
        }
    }
}

TEST(ControlCoordinatorGateTest, AnAuthorizedGateTakesShownGuidanceDown)
{
    CoordinatorHarness h;
    h.coordinator->stageBluetoothPermissionGuidance(BluetoothPermissionGuidanceState::DeniedRecovery);
    h.settle();
    EXPECT_EQ(h.coordinator->currentBluetoothPermissionGuidanceState(),
              BluetoothPermissionGuidanceState::DeniedRecovery);
    h.coordinator->takeControl();
    h.settle();
    EXPECT_EQ(h.guidance.last(), std::nullopt);
    EXPECT_EQ(h.statuses(), QList<Status>{Blocked{ControlTransferBlockedReason::NoEligibleTarget}});
}

TEST_F(ControlCoordinatorFixture, GuidanceActionsAskThePermissionCheckerAndShowItsAnswer)
{
    permissions->simulateBluetoothStatus(SystemPermissionStatus::Denied);
    coordinator->retryBluetoothPermissionGuidance();
    settle();
    EXPECT_EQ(permissions->bluetoothRefreshCallCount(), 1);
    EXPECT_EQ(coordinator->currentBluetoothPermissionGuidanceState(), BluetoothPermissionGuidanceState::DeniedRecovery);

    permissions->simulateBluetoothStatus(SystemPermissionStatus::Authorized);
    coordinator->continueBluetoothPermissionGuidance();
    settle();
    EXPECT_EQ(permissions->bluetoothRefreshCallCount(), 1) << "continuing requests rather than refreshes";
    EXPECT_EQ(coordinator->currentBluetoothPermissionGuidanceState(), std::nullopt);

    coordinator->stageBluetoothPermissionGuidance(BluetoothPermissionGuidanceState::Preflight);
    EXPECT_EQ(coordinator->currentBluetoothPermissionGuidanceState(), std::nullopt) << "staged from the event loop";
    coordinator->dismissBluetoothPermissionGuidance();
    settle();
    EXPECT_EQ(guidance.mid(2),
              (QList<std::optional<BluetoothPermissionGuidanceState>>{BluetoothPermissionGuidanceState::Preflight,
                                                                      std::nullopt}));

    coordinator->openBluetoothSettings();
    EXPECT_EQ(permissions->openBluetoothSettingsCallCount(), 1);
    EXPECT_TRUE(records.isEmpty()) << "guidance never publishes progress";
}

TEST_F(ControlCoordinatorFixture, OwnershipIsClearedOnlyForAnotherComputerThatBecomesDisconnected)
{
    monitor->statuses.insert(kPeer, std::make_shared<MacConnectionStatus>(kPeer));
    monitor->statuses.insert(kLocal, std::make_shared<MacConnectionStatus>(kLocal));
    for (const ConnectionState state : allConnectionStates) {
        SCOPED_TRACE(toString(state).toStdString());
        ownership->setOwner(kPeer, {kMouse});
        ownership->setOwner(kLocal, {kKeyboard});
        monitor->updateConnectionState(kLocal, state);
        EXPECT_EQ(ownership->ownerOf(kKeyboard), kLocal) << "this computer's own entries stay";
        monitor->updateConnectionState(kPeer, state);
        const std::optional<QUuid> expected
            = state == ConnectionState::Disconnected ? std::nullopt : std::optional<QUuid>(kPeer);
        EXPECT_EQ(ownership->ownerOf(kMouse), expected);
    }
}

TEST(ControlCoordinatorChecksTest, TransferChecksReadTheStoresAndTheOwnershipMap)
{
    struct Row
    {
        const char *name;
        std::function<void(CoordinatorHarness &)> arrange;
        bool canTakeControl;
        bool canSendControl;
    };
    const Device keyboard = storedDevice(kKeyboard, QStringLiteral("Keyboard"), 1);
    const Device mouse = storedDevice(kMouse, QStringLiteral("Mouse"), 3);
    const Row rows[] = {
        {"nothing linked", [&](CoordinatorHarness &h) { h.devices->devices = {keyboard}; }, false, false},
        {"only this computer linked",
         [&](CoordinatorHarness &h) {
             h.link(kLocal);
             h.devices->devices = {keyboard};
             h.ownership->setOwner(kLocal, {kKeyboard});
         },
         false, false},
        {"no shared device", [&](CoordinatorHarness &h) { h.link(kPeer); }, false, false},
        {"an unowned device, the peer offline",
         [&](CoordinatorHarness &h) {
             h.link(kPeer, false);
             h.devices->devices = {keyboard};
         },
         true, false},
        {"everything owned here",
         [&](CoordinatorHarness &h) {
             h.link(kPeer);
             h.devices->devices = {keyboard, mouse};
             h.ownership->setOwner(kLocal, {kKeyboard, kMouse});
         },
         false, true},
        {"one device owned by the peer",
         [&](CoordinatorHarness &h) {
             h.link(kPeer);
             h.devices->devices = {keyboard, mouse};
             h.ownership->setOwner(kLocal, {kKeyboard});
             h.ownership->setOwner(kPeer, {kMouse});
         },
         true, true},
        {"the device store fails",
         [&](CoordinatorHarness &h) {
             h.link(kPeer);
             h.devices->failure = StorageError::diskFull();
         },
         false, false},
    };
    for (const Row &row : rows) {
        SCOPED_TRACE(row.name);
        CoordinatorHarness h;
        row.arrange(h);
        EXPECT_EQ(h.coordinator->canTakeControl(), row.canTakeControl);
        EXPECT_EQ(h.coordinator->canSendControl(kPeer), row.canSendControl);
    }

    CoordinatorHarness h;
    h.link(kPeer);
    h.linked->stubbedListConnectedMacsResponse = StorageError::diskFull();
    h.linked->stubbedGetConnectedMacResponse = StorageError::diskFull();
    EXPECT_FALSE(h.coordinator->canTakeControl());
    EXPECT_FALSE(h.coordinator->canSendControl(kPeer));
    EXPECT_TRUE(h.logs->containsSubstring(LogLevel::Error, QStringLiteral("Failed to check canTakeControl: ")));
    EXPECT_TRUE(h.logs->containsSubstring(LogLevel::Error,
                                          QStringLiteral("Failed to resolve peer installationId for "
                                                         "E1000000-0000-4000-8000-000000000002: ")));
}

TEST_F(ControlCoordinatorFixture, ProgressHasNoValueBeforeTheFirstRecordThenTheLatest)
{
    EXPECT_EQ(coordinator->currentControlTransferProgress(), std::nullopt);
    clock->advance(5);
    coordinator->takeControl();
    settle();
    ASSERT_EQ(records.size(), 1);
    EXPECT_EQ(coordinator->currentControlTransferProgress(), records.last());
    const ControlTransferProgress &record = records.last();
    EXPECT_EQ(record.occurredAt, clock->now());
    EXPECT_EQ(record.transactionId.size(), 36);
    EXPECT_EQ(record.transactionId, record.transactionId.toLower());
    EXPECT_TRUE(QUuid::fromString(record.transactionId).isNull() == false);
}
