// What keeps devices from being lost and transfers from hanging: delivery that counts, answers that
// are waited for only so long, peer values checked, and one form of MAC address.
#include "ControlCoordinatorFixture.h"

using namespace verandel;
using namespace verandel::test;
using namespace verandel::ProgressStatus;
using Status = ControlTransferProgressStatus;

TEST(DeliveryTest, DevicesTheOtherComputerNeverGotArePairedHereAgain)
{
    enum class Flow { SendControl, InboundTransfer, SendControlWithoutBridge };
    for (const Flow flow : {Flow::SendControl, Flow::InboundTransfer, Flow::SendControlWithoutBridge}) {
        SCOPED_TRACE(static_cast<int>(flow));
        CoordinatorHarness h;
        h.link(kPeer);
        h.holdConnected({kStoredKeyboard, kStoredTrackpad});
        h.delivered = false;
        h.bluetooth->pairResults.insert(
            kTrackpad, OperationResult::failure(QStringLiteral("Page timeout"), OperationFailureCategory::Timeout));
        if (flow == Flow::SendControlWithoutBridge) {
            // Nobody takes the command: the hub answers that it was not delivered.
            QObject::disconnect(h.hub.get(), &PeerCommunicationHub::devicesReadyCommands, nullptr, nullptr);
        }
        if (flow == Flow::InboundTransfer) {
            h.receiveTransferRequest(kPeer, kTransaction);
        } else {
            h.coordinator->sendControl(kPeer);
            h.settle();
        }
        const QList<Status> statuses = h.statuses();
        ASSERT_GE(statuses.size(), 3);
        EXPECT_EQ(statuses.mid(statuses.size() - 3),
                  (QList<Status>{PairResult{kKeyboard, true, {}},
                                 PairResult{kTrackpad, false, OperationFailureCategory::Timeout},
                                 Failed{OperationFailureCategory::PeerUnavailable}}))
            << "every device is tried again, and the transfer fails";
        EXPECT_FALSE(statuses.contains(Status(DevicesReadySent{2})));
        EXPECT_FALSE(statuses.contains(Status(Success{})));
        EXPECT_EQ(h.bluetooth->pairCalls, (QStringList{kKeyboard, kTrackpad}));
        EXPECT_TRUE(h.logs->containsSubstring(
            LogLevel::Error,
            QStringLiteral("E1000000-0000-4000-8000-000000000002 was not delivered; pairing 2 device(s) here again")));
    }
}

TEST(PeerValuesTest, CommandsWhoseTransactionIdIsNoUuidAreDropped)
{
    const QString badIds[] = {
        QString(), QStringLiteral("not-a-uuid"), QStringLiteral("{7d0f3c52-9a1e-4b7c-8e21-5f6a0b1c2d3e}"),
        QStringLiteral("7d0f3c52-9a1e-4b7c-8e21-5f6a0b1c2d3"), QStringLiteral("7d0f3c52x9a1e-4b7c-8e21-5f6a0b1c2d3e")};
    for (const QString &id : badIds) {
        SCOPED_TRACE(id.toStdString());
        CoordinatorHarness h;
        h.link(kPeer);
        h.holdConnected({kStoredKeyboard});
        h.receiveTransferRequest(kPeer, id);
        h.receiveDevicesReady(kPeer, id, {descriptorOf(kTrackpad, 2)});
        EXPECT_TRUE(h.records.isEmpty());
        EXPECT_TRUE(h.bluetooth->unpairCalls.isEmpty());
        EXPECT_TRUE(h.bluetooth->pairCalls.isEmpty());
        EXPECT_EQ(h.logs->messages(LogLevel::Warning, QStringLiteral("ControlCoordinator")).size(), 2);
    }
}

TEST_F(ControlCoordinatorFixture, ADeviceListedTwiceIsPairedOnce)
{
    link(kPeer);
    listedAsPaired({kStoredKeyboard, kStoredTrackpad});
    receiveDevicesReady(kPeer, kTransaction,
                        {descriptorOf(kKeyboard, 1), descriptorOf(kKeyboard.toUpper(), 1), descriptorOf(kTrackpad, 2),
                         descriptorOf(QStringLiteral("A4-83-E7-00-00-01"), 1)});
    EXPECT_EQ(bluetooth->pairCalls, (QStringList{kKeyboard, kTrackpad}));
    EXPECT_EQ(statuses().first(), Status(PairingStarted{2}));
    EXPECT_EQ(statuses().last(), Status(Success{}));
    EXPECT_EQ(metrics->events.first().readyDeviceCount, 2);
}

TEST_F(ControlCoordinatorFixture, AnEmptyListEndsTheTransferItAnswers)
{
    link(kPeer);
    coordinator->takeControl(kPeer);
    settle();
    const QString transactionId = records.first().transactionId;
    records.clear();
    receiveDevicesReady(kPeer, transactionId, {});
    EXPECT_EQ(statuses(), (QList<Status>{PairingStarted{0}, Failed{}}));
    EXPECT_EQ(records.last().direction, ControlTransferDirection::TakeControl);
    EXPECT_TRUE(coordinator->pendingTakeControlTargets(transactionId).isEmpty());
    EXPECT_EQ(metrics->events.value(0).readyDeviceCount, 0);
    EXPECT_TRUE(logs->contains(LogLevel::Info, QStringLiteral("Pairing completed: 0 paired, 0 failed")));
    clock->advance(ControlCoordinator::ANSWER_TIMEOUT_SECONDS);
    settle();
    EXPECT_EQ(records.size(), 2) << "an answered target is never timed out";
}

TEST_F(ControlCoordinatorFixture, AddressesWrittenInAnotherFormMeetInTheCanonicalForm)
{
    link(kPeer);
    // Stored by hand in upper case; BlueZ lists the canonical form.
    const Device storedUpper = storedDevice(kKeyboard.toUpper(), QStringLiteral("Keyboard"), 1);
    devices->devices = {storedUpper};
    listedAsPaired({kStoredKeyboard});
    receiveDevicesReady(kPeer, kTransaction, {descriptorOf(QStringLiteral("A4-83-E7-00-00-01"), 1)});

    EXPECT_EQ(statuses(),
              (QList<Status>{PairingStarted{1}, PairResult{kKeyboard, true, {}}, OwnershipUpdated{1}, Success{}}));
    EXPECT_EQ(bluetooth->pairCalls, QStringList{kKeyboard});
    ASSERT_EQ(devices->devices.size(), 1) << "one record for the device";
    EXPECT_EQ(devices->devices.first().macAddress(), kKeyboard);
    EXPECT_FALSE(metricNames().contains(MetricsEventName::SharedDeviceAdded)) << "it was stored before";
    EXPECT_EQ(ownership->currentOwnershipState(), (DeviceOwnershipService::OwnershipMap{{kKeyboard, kLocal}}));

    // Sending it on uses the same form throughout.
    devices->devices = {storedUpper};
    bluetooth->statuses.insert(kKeyboard.toUpper(), ConnectionStatus::Connected);
    records.clear();
    coordinator->sendControl(kPeer);
    settle();
    EXPECT_EQ(bluetooth->unpairCalls, QStringList{kKeyboard});
    EXPECT_TRUE(statuses().contains(Status(UnpairResult{kKeyboard, true, {}})));
    ASSERT_EQ(readyCommands.size(), 1);
    EXPECT_EQ(readyCommands.first().deviceDescriptors.first().macAddress, kKeyboard);
}
