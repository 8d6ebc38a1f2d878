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

namespace {

enum class GivingFlow { SendControl, InboundTransfer };

// Gives the keyboard and the trackpad to the peer and stops where the wait for its confirmation begins.
void handOverTwo(CoordinatorHarness &h, GivingFlow flow)
{
    h.link(kPeer);
    h.link(kSecond);
    h.holdConnected({kStoredKeyboard, kStoredTrackpad});
    if (flow == GivingFlow::SendControl) {
        h.coordinator->sendControl(kPeer);
        h.settle();
    } else {
        h.receiveTransferRequest(kPeer, kTransaction);
    }
    ASSERT_EQ(h.statuses().last(), Status(DevicesReadySent{2}));
    h.bluetooth->pairCalls.clear();
}

} // namespace

TEST(ConfirmationTest, TheReceiversPingsDecideHowAHandOverEnds)
{
    const double perDevice = HandOverConfirmation::receiverLimitPerDeviceSeconds();
    const double grace = HandOverConfirmation::GRACE_SECONDS;
    ASSERT_EQ(perDevice, 115.0) << "search, pairing and connection limits of the Bluetooth manager";
    struct Row
    {
        const char *name;
        std::function<void(CoordinatorHarness &)> act;
        QList<Status> ending;
        // Seconds after the command was written.
        double endsAfter;
        QStringList pairedHere;
        // Forced checks of the receiver: one with the command, then one every 10 s.
        int checks;
    };
    const QString otherTransaction = QStringLiteral("0a1b2c3d-0000-4000-8000-000000000001");
    const QList<Status> bothBack{PairResult{kKeyboard, true, {}}, PairResult{kTrackpad, true, {}},
                                 Failed{OperationFailureCategory::Timeout}};
    const Row rows[] = {
        {"one answer lists both",
         [](CoordinatorHarness &h) {
             h.receivePing(kPeer, {kTrackpad, kKeyboard, kMouse});
         },
         {Success{}},
         0,
         {},
         1},
        {"a ping and an answer list one each, in another letter case",
         [](CoordinatorHarness &h) {
             h.advance(12);
             h.receivePing(kPeer, {kKeyboard}, CoordinatorHarness::Ping::Request);
             EXPECT_EQ(h.statuses().last(), Status(DevicesReadySent{2}));
             h.advance(3);
             h.receivePing(kPeer, {kTrackpad.toUpper()});
         },
         {Success{}},
         15,
         {},
         2},
        {"a confirmation stays when a later ping leaves the device out",
         [](CoordinatorHarness &h) {
             h.receivePing(kPeer, {kKeyboard});
             h.receivePing(kPeer, {});
             h.receivePing(kPeer, {kTrackpad});
         },
         {Success{}},
         0,
         {},
         1},
        {"the receiver answers every check but lists nothing: both come back when its time for two is up",
         [&](CoordinatorHarness &h) {
             h.answerChecks(kPeer, QStringList{});
             h.advance(2 * perDevice + grace - 0.1);
             EXPECT_TRUE(h.bluetooth->pairCalls.isEmpty());
         },
         bothBack,
         2 * perDevice + grace,
         {kKeyboard, kTrackpad},
         26},
        {"the receiver answers no check: both come back after three failed checks",
         [](CoordinatorHarness &h) {
             h.advance(29.9);
             EXPECT_TRUE(h.bluetooth->pairCalls.isEmpty());
         },
         bothBack,
         30,
         {kKeyboard, kTrackpad},
         3},
        {"checks whose pings are not delivered fail, though the receiver's own pings arrive: the three after "
         "the first",
         [](CoordinatorHarness &h) {
             h.monitor->forcedChecksDelivered = false;
             for (int check = 0; check < 4; ++check) {
                 h.receivePing(kPeer, {}, CoordinatorHarness::Ping::Request);
                 h.advance(10);
             }
         },
         bothBack,
         40,
         {kKeyboard, kTrackpad},
         4},
        {"another computer lists them",
         [](CoordinatorHarness &h) {
             h.answerChecks(kPeer, QStringList{});
             h.receivePing(kSecond, {kKeyboard, kTrackpad});
         },
         bothBack,
         2 * perDevice + grace,
         {kKeyboard, kTrackpad},
         26},
        {"one listed after 20 s: the other gets the time for one more device",
         [](CoordinatorHarness &h) {
             h.answerChecks(kPeer, QStringList{});
             h.advance(20);
             h.receivePing(kPeer, {kKeyboard});
         },
         {PairResult{kTrackpad, true, {}}, Failed{OperationFailureCategory::Timeout}},
         20 + perDevice + grace,
         {kTrackpad},
         17},
        {"one listed after 15 s, then silence: the other comes back three failed checks later",
         [](CoordinatorHarness &h) {
             h.answerChecks(kPeer, QStringList{});
             h.advance(15);
             h.receivePing(kPeer, {kKeyboard});
             h.answerChecks(kPeer, std::nullopt);
         },
         {PairResult{kTrackpad, true, {}}, Failed{OperationFailureCategory::Timeout}},
         50,
         {kTrackpad},
         5},
        {"pairing here again fails",
         [](CoordinatorHarness &h) {
             h.answerChecks(kPeer, QStringList{kTrackpad});
             h.receivePing(kPeer, {kTrackpad});
             h.bluetooth->pairResults.insert(kKeyboard, failure(OperationFailureCategory::Timeout));
         },
         {PairResult{kKeyboard, false, OperationFailureCategory::Timeout}, Failed{OperationFailureCategory::Timeout}},
         perDevice + grace,
         {kKeyboard},
         15},
        {"the unconfirmed device becomes owned here",
         [](CoordinatorHarness &h) {
             h.receivePing(kPeer, {kKeyboard});
             h.ownership->setOwner(kLocal, {kTrackpad.toUpper()});
             h.settle();
         },
         {Failed{OperationFailureCategory::Timeout}},
         0,
         {},
         1},
        {"the unconfirmed device is sent back: it is paired once, by that transfer",
         [&](CoordinatorHarness &h) {
             h.answerChecks(kPeer, QStringList{kKeyboard});
             h.receivePing(kPeer, {kKeyboard});
             h.advance(40);
             h.listedAsPaired({kStoredTrackpad});
             h.receiveDevicesReady(kPeer, otherTransaction, {descriptorOf(kTrackpad, 2)});
         },
         {Failed{OperationFailureCategory::Timeout}},
         40,
         {kTrackpad},
         5},
    };
    for (const GivingFlow flow : {GivingFlow::SendControl, GivingFlow::InboundTransfer}) {
        for (const Row &row : rows) {
            SCOPED_TRACE(row.name);
            SCOPED_TRACE(static_cast<int>(flow));
            CoordinatorHarness h;
            handOverTwo(h, flow);
            const QString transactionId = h.records.last().transactionId;
            const QDateTime writtenAt = h.clock->now();
            row.act(h);
            h.advance(2 * perDevice + grace);

            const QList<Status> ofTransfer = h.statuses(transactionId);
            EXPECT_EQ(ofTransfer.mid(ofTransfer.indexOf(Status(DevicesReadySent{2})) + 1), row.ending);
            EXPECT_EQ(h.progressOf(transactionId).last().occurredAt, writtenAt.addMSecs(qint64(row.endsAfter * 1000)));
            EXPECT_EQ(h.bluetooth->pairCalls, row.pairedHere) << "a device is paired here at most once";
            // Pairing what comes back announces it to every linked computer; the wait asks the receiver alone.
            const QList<QUuid> &checks = h.monitor->forcedHealthChecks;
            EXPECT_EQ(checks.count(kPeer) - checks.count(kSecond), row.checks)
                << "the receiver is asked for its list with the command and every 10 s while the wait lasts";
            EXPECT_EQ(h.coordinator->runningFlowCount(), 0);
            EXPECT_EQ(h.logs->messages(LogLevel::Info)
                          .filter(QStringLiteral("Transfer %1 ended: ").arg(transactionId))
                          .size(),
                      1);
        }
    }
}

TEST_F(ControlCoordinatorFixture, APingThatReachesTheHubAheadOfTheCommandConfirmsNothing)
{
    link(kPeer);
    holdConnected({kStoredKeyboard, kStoredTrackpad});
    // Queued in the hub while the last device is unpaired, so it is delivered before the command.
    QObject::connect(coordinator.get(), &ControlCoordinator::controlTransferProgressChanged, coordinator.get(),
                     [this](const ControlTransferProgress &record) {
                         if (record.status == Status(UnpairResult{kTrackpad, true, {}})) {
                             hub->send(PingResponseReceivedEvent(kPeer, {kKeyboard, kTrackpad}, std::nullopt));
                         }
                     });
    QStringList seen;
    QObject::connect(hub.get(), &PeerCommunicationHub::receivedPingResponses, hub.get(),
                     [&] { seen.append(QStringLiteral("ping")); });
    QObject::connect(hub.get(), &PeerCommunicationHub::devicesReadyCommands, hub.get(),
                     [&] { seen.append(QStringLiteral("command")); });
    coordinator->sendControl(kPeer);
    settle();
    ASSERT_EQ(seen, (QStringList{QStringLiteral("ping"), QStringLiteral("command")}));
    EXPECT_EQ(statuses().last(), Status(DevicesReadySent{2})) << "still waiting for the receiver to list them";
    advance(30);
    EXPECT_EQ(statuses().mid(statuses().indexOf(Status(DevicesReadySent{2})) + 1),
              (QList<Status>{PairResult{kKeyboard, true, {}}, PairResult{kTrackpad, true, {}},
                             Failed{OperationFailureCategory::Timeout}}));
}

TEST_F(ControlCoordinatorFixture, EachFlowsEndIsLoggedOnceWithWhatBecameOfItsDevices)
{
    link(kPeer);
    holdConnected({kStoredKeyboard, kStoredTrackpad});
    coordinator->sendControl(kPeer);
    settle();
    const QString given = records.last().transactionId;
    receivePing(kPeer, {kKeyboard});
    advance(40);
    listedAsPaired({kStoredMouse});
    receiveDevicesReady(kPeer, kTransaction,
                        {descriptorOf(kMouse, 3), descriptorOf(QStringLiteral("a4:83:e7:00:00:09"), 9)});
    coordinator->sendControl(kThird);
    settle();
    EXPECT_EQ(logs->messages(LogLevel::Info, QStringLiteral("ControlCoordinator")).filter(QStringLiteral(" ended: ")),
              (QStringList{
                  QStringLiteral("Transfer %1 ended: sendControl with \"Peer\" (E1000000-0000-4000-8000-000000000002): "
                                 "failed(timeout); confirmed: a4:83:e7:00:00:01; paired back: a4:83:e7:00:00:02")
                      .arg(given),
                  QStringLiteral("Transfer %1 ended: inboundTransfer with \"Peer\" "
                                 "(E1000000-0000-4000-8000-000000000002): success; paired here: a4:83:e7:00:00:03; "
                                 "not paired: a4:83:e7:00:00:09")
                      .arg(kTransaction),
                  QStringLiteral("Transfer %1 ended: sendControl with Mac E1000000-0000-4000-8000-000000000004: "
                                 "blocked(peerUnavailable); no devices moved")
                      .arg(records.last().transactionId),
              }));
}

TEST_F(ControlCoordinatorFixture, QuittingDuringTheWaitPairsNothingAndNamesWhatIsUnconfirmed)
{
    handOverTwo(*this, GivingFlow::SendControl);
    receivePing(kPeer, {kKeyboard});
    advance(30);
    coordinator.reset();
    advance(3600);
    EXPECT_TRUE(bluetooth->pairCalls.isEmpty());
    EXPECT_EQ(logs->messages(LogLevel::Warning, QStringLiteral("ControlCoordinator")),
              QStringList{QStringLiteral("Quitting before Mac E1000000-0000-4000-8000-000000000002 confirmed device "
                                         "a4:83:e7:00:00:02; it is not paired here again")});
    EXPECT_EQ(statuses().last(), Status(DevicesReadySent{2})) << "no outcome is published";
}

TEST_F(ControlCoordinatorFixture, EveryFlowAndWaitCountsAsRunningUntilItEnds)
{
    QList<int> counts;
    QObject::connect(coordinator.get(), &ControlCoordinator::runningFlowCountChanged, coordinator.get(),
                     [&](int count) { counts.append(count); });
    handOverTwo(*this, GivingFlow::SendControl);
    EXPECT_EQ(coordinator->runningFlowCount(), 1) << "the wait for the receiver";
    EXPECT_EQ(counts, (QList<int>{1, 2, 1})) << "the flow, then its wait";
    receivePing(kPeer, {kKeyboard, kTrackpad});
    EXPECT_EQ(coordinator->runningFlowCount(), 0);

    counts.clear();
    coordinator->takeControl(kPeer);
    settle();
    EXPECT_EQ(coordinator->runningFlowCount(), 1) << "the wait for the answer";
    listedAsPaired({kStoredMouse});
    receiveDevicesReady(kPeer, records.last().transactionId, {descriptorOf(kMouse, 3)});
    EXPECT_EQ(coordinator->runningFlowCount(), 0);
    EXPECT_EQ(counts.last(), 0);
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
