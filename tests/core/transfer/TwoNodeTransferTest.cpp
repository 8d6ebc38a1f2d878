// Two linked computers in one process over loopback TCP hand three Bluetooth devices back and forth.
// Each has a scripted Bluetooth manager under the real permission guard and status cache; the two
// managers share one table of devices, each paired with at most one computer. Virtual time moves only
// while no connection is open.
#include "support/LinkedNode.h"
#include "support/QtPrinters.h"
#include "support/RunTask.h"
#include "support/TransferPrinters.h"

#include "telemetry/TelemetryDeviceIdPolicy.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <gtest/gtest.h>

using namespace verandel;
using namespace verandel::test;
using namespace verandel::ProgressStatus;
using Status = ControlTransferProgressStatus;

namespace {

const QUuid kMacA = QUuid::fromString(QStringLiteral("f1000000-0000-4000-8000-00000000000a"));
const QUuid kMacB = QUuid::fromString(QStringLiteral("f1000000-0000-4000-8000-00000000000b"));
const QString kNodeA = QStringLiteral("Node A");
const QString kNodeB = QStringLiteral("Node B");
const QString kKeyboard = QStringLiteral("28:37:37:0a:00:01");
const QString kTrackpad = QStringLiteral("28:37:37:0a:00:02");
const QString kMouse = QStringLiteral("28:37:37:0a:00:03");

// As BlueZ lists them: full detection data, no telemetry id yet. Stores sort them by name: keyboard,
// mouse, trackpad.
Device listed(const QString &address, const QString &name, quint16 productId, quint32 classOfDevice)
{
    return Device(address, name, TelemetryDeviceIdPolicy::preStoragePlaceholder,
                  DeviceDetectionAttributes{0x05AC,
                                            productId,
                                            classOfDevice,
                                            {QStringLiteral("Human Interface Device"), QStringLiteral("PnP")}},
                  QDateTime(QDate(2025, 12, 1), QTime(10, 0), Qt::UTC));
}

std::shared_ptr<SharedDeviceTable> threeDevicesOnB()
{
    auto table = std::make_shared<SharedDeviceTable>();
    table->devices = {listed(kKeyboard, QStringLiteral("Magic Keyboard"), 0x029C, 0x002540),
                      listed(kTrackpad, QStringLiteral("Magic Trackpad"), 0x0265, 0x002580),
                      listed(kMouse, QStringLiteral("Magic Mouse"), 0x0269, 0x002580)};
    for (const Device &device : std::as_const(table->devices)) {
        table->holders.insert(device.macAddress(), kNodeB);
    }
    return table;
}

OperationResult failure(OperationFailureCategory category)
{
    return OperationResult::failure(QStringLiteral("Scripted failure"), category);
}

// Two computers linked to each other; B holds the three devices, stored as shared there.
struct TwoNodeTransferTest : ::testing::Test
{
    std::shared_ptr<RecordingLoggerFactory> logs = std::make_shared<RecordingLoggerFactory>();
    std::shared_ptr<ManualClock> clock = std::make_shared<ManualClock>();
    std::shared_ptr<SharedDeviceTable> table = threeDevicesOnB();
    LinkedNode a{kMacA, kNodeA, clock, logs, table};
    LinkedNode b{kMacB, kNodeB, clock, logs, table};

    void SetUp() override
    {
        int index = 0;
        for (const Device &device : std::as_const(table->devices)) {
            b.devices->saveOrUpdateDevice(Device(device.macAddress(), device.name(),
                                                 QStringLiteral("a7c10000-0000-4000-8000-00000000000%1").arg(++index),
                                                 device.detectionAttributes(), device.timestamp()));
        }
        ASSERT_TRUE(startLinked(a, b)) << explain();
    }

    void TearDown() override { EXPECT_TRUE(trafficEnded(a, b)) << explain(); }

    std::string explain() const { return logs->allMessages().join(u'\n').toStdString(); }

    // The transaction of the last transfer begun on the node.
    static QString lastTransaction(const LinkedNode &node) { return node.progress.last().transactionId; }

    static bool endedWith(const LinkedNode &node, const QString &transactionId, const Status &status)
    {
        const QList<ControlTransferProgressStatus> statuses = node.statusesOf(transactionId);
        return !statuses.isEmpty() && statuses.last() == status;
    }

    // Waits until both computers end A's latest transfer, other than the one given, with success.
    bool bothSucceed(const QString &previous = {})
    {
        return waitUntil([&] {
            return !a.progress.isEmpty() && lastTransaction(a) != previous
                && endedWith(a, lastTransaction(a), Success{}) && endedWith(b, lastTransaction(a), Success{});
        });
    }

    bool quiet() const { return trafficSettled(a, b); }

    // Moves virtual time to the next health check and waits for its pings and answers, so that
    // the next move meets no ping still on its way.
    bool advanceThroughHealthCheck(double seconds)
    {
        const int sentByA = a.sender->started;
        const int sentByB = b.sender->started;
        clock->advance(seconds);
        return waitUntil([&] { return a.sender->started >= sentByA + 2 && b.sender->started >= sentByB + 2; })
            && quiet();
    }

    // Moves virtual time in steps, letting the pings of each step end before the next, so that no
    // connection is open when time jumps.
    bool advanceQuietly(double seconds)
    {
        constexpr double step = 5.0;
        for (double moved = 0; moved < seconds; moved += step) {
            clock->advance(std::min(step, seconds - moved));
            if (!quiet()) {
                return false;
            }
        }
        return true;
    }

    bool ownersAre(const QUuid &owner) const
    {
        for (const QString &address : {kKeyboard, kTrackpad, kMouse}) {
            if (a.ownership->ownerOf(address) != owner || b.ownership->ownerOf(address) != owner) {
                return false;
            }
        }
        return true;
    }

    // Every device is paired with one computer, or a failed record on either side names it.
    void expectEveryDeviceAccountedFor() const
    {
        for (const Device &device : std::as_const(table->devices)) {
            const QString address = device.macAddress();
            bool namedInFailure = false;
            for (const LinkedNode *node : {&a, &b}) {
                for (const ControlTransferProgress &record : node->progress) {
                    if (const auto *pair = std::get_if<PairResult>(&record.status)) {
                        namedInFailure |= pair->macAddress == address && !pair->success;
                    }
                    if (const auto *unpair = std::get_if<UnpairResult>(&record.status)) {
                        namedInFailure |= unpair->macAddress == address && !unpair->success;
                    }
                }
            }
            EXPECT_TRUE(table->holders.contains(address) || namedInFailure) << address.toStdString();
        }
    }
};

QStringList storedAddressesInFile(const LinkedNode &node)
{
    QFile file(node.storage->devicesStorageURL());
    if (!file.open(QIODevice::ReadOnly)) {
        return {};
    }
    QStringList addresses;
    for (const QJsonValue &device : QJsonDocument::fromJson(file.readAll()).array()) {
        addresses.append(device.toObject().value(QStringLiteral("macAddress")).toString());
    }
    addresses.sort();
    return addresses;
}

} // namespace

TEST_F(TwoNodeTransferTest, ControlMovesToAAndBackToB)
{
    const PingLog pingsAtA(a);
    const PingLog pingsAtB(b);
    const QSet<QString> all{kKeyboard, kTrackpad, kMouse};
    // A pulls B's three devices.
    a.coordinator->takeControl(kMacB);
    ASSERT_TRUE(bothSucceed()) << explain();
    const QString taken = lastTransaction(a);
    EXPECT_EQ(a.statusesOf(taken),
              (QList<Status>{OperationStarted{}, OutboundTransferRequestSent{}, PairingStarted{3},
                             PairResult{kKeyboard, true, {}}, PairResult{kMouse, true, {}},
                             PairResult{kTrackpad, true, {}}, OwnershipUpdated{3}, Success{}}));
    EXPECT_EQ(b.statusesOf(taken),
              (QList<Status>{InboundTransferRequestReceived{}, OperationStarted{}, UnpairingStarted{3},
                             UnpairResult{kKeyboard, true, {}}, UnpairResult{kMouse, true, {}},
                             UnpairResult{kTrackpad, true, {}}, DevicesReadySent{3}, Success{}}));
    EXPECT_EQ(pingsAtB.listedAtSuccess.value(taken).value(kMacA), all) << "B succeeds once A's pings list each";
    EXPECT_EQ(a.progressOf(taken).last().direction, ControlTransferDirection::TakeControl);
    EXPECT_EQ(b.progressOf(taken).last().direction, ControlTransferDirection::InboundTransfer);
    EXPECT_EQ(table->heldBy(kNodeA).size(), 3);
    EXPECT_EQ(storedAddressesInFile(a), (QStringList{kKeyboard, kTrackpad, kMouse}));
    const std::optional<Device> keyboard = a.devices->getDeviceByMacAddress(kKeyboard);
    ASSERT_TRUE(keyboard);
    EXPECT_EQ(keyboard->telemetryDeviceId(), QStringLiteral("a7c10000-0000-4000-8000-000000000001"))
        << "the telemetry id travels with the device";
    EXPECT_EQ(keyboard->detectionAttributes(), table->devices.first().detectionAttributes());
    ASSERT_TRUE(waitUntil([&] { return ownersAre(kMacA); })) << "the forced pings carry the new ownership";
    ASSERT_TRUE(quiet()) << explain();

    // A sends them back to B.
    a.coordinator->sendControl(kMacB);
    ASSERT_TRUE(bothSucceed(taken)) << explain();
    const QString sent = lastTransaction(a);
    EXPECT_EQ(a.statusesOf(sent),
              (QList<Status>{OperationStarted{}, UnpairingStarted{3}, UnpairResult{kKeyboard, true, {}},
                             UnpairResult{kMouse, true, {}}, UnpairResult{kTrackpad, true, {}}, DevicesReadySent{3},
                             Success{}}));
    EXPECT_EQ(b.statusesOf(sent),
              (QList<Status>{PairingStarted{3}, PairResult{kKeyboard, true, {}}, PairResult{kMouse, true, {}},
                             PairResult{kTrackpad, true, {}}, OwnershipUpdated{3}, Success{}}));
    EXPECT_EQ(pingsAtA.listedAtSuccess.value(sent).value(kMacB), all) << "A succeeds once B's pings list each";
    EXPECT_EQ(b.progressOf(sent).last().direction, ControlTransferDirection::InboundTransfer);
    EXPECT_EQ(table->heldBy(kNodeB).size(), 3);
    ASSERT_TRUE(waitUntil([&] { return ownersAre(kMacB); })) << explain();

    // Each computer says once how its side ended (the two sides of a transfer in either order).
    QStringList ends
        = logs->messages(LogLevel::Info, QStringLiteral("ControlCoordinator")).filter(QStringLiteral(" ended: "));
    ends.sort();
    const QString all3 = QStringLiteral("28:37:37:0a:00:01, 28:37:37:0a:00:03, 28:37:37:0a:00:02");
    QStringList expected{
        QStringLiteral("Transfer %1 ended: inboundTransfer with \"Node A\" "
                       "(F1000000-0000-4000-8000-00000000000A): success; confirmed: %2; paired back: none")
            .arg(taken, all3),
        QStringLiteral("Transfer %1 ended: takeControl with \"Node B\" "
                       "(F1000000-0000-4000-8000-00000000000B): success; paired here: %2; not paired: none")
            .arg(taken, all3),
        QStringLiteral("Transfer %1 ended: inboundTransfer with \"Node A\" "
                       "(F1000000-0000-4000-8000-00000000000A): success; paired here: %2; not paired: none")
            .arg(sent, all3),
        QStringLiteral("Transfer %1 ended: sendControl with \"Node B\" "
                       "(F1000000-0000-4000-8000-00000000000B): success; confirmed: %2; paired back: none")
            .arg(sent, all3),
    };
    expected.sort();
    EXPECT_EQ(ends, expected);
}

TEST_F(TwoNodeTransferTest, OneUnpairFailsAndTheOtherTwoMove)
{
    b.scriptedBluetooth->unpairResults.insert(kMouse, failure(OperationFailureCategory::Conflict));
    a.coordinator->takeControl();
    ASSERT_TRUE(bothSucceed()) << explain();
    const QString transactionId = lastTransaction(a);
    EXPECT_TRUE(b.statusesOf(transactionId).contains(Status(DevicesReadySent{2})));
    EXPECT_TRUE(a.statusesOf(transactionId).contains(Status(OwnershipUpdated{2})));
    EXPECT_EQ(table->heldBy(kNodeA).size(), 2);
    EXPECT_EQ(table->holders.value(kMouse), kNodeB);
    EXPECT_TRUE(a.coordinator->pendingTakeControlTargets(transactionId).isEmpty());
    expectEveryDeviceAccountedFor();
}

TEST_F(TwoNodeTransferTest, TheHolderPairsItsDevicesAgainWhenTheReceiverStopsListening)
{
    b.scriptedBluetooth->holdUnpairs = true;
    a.coordinator->takeControl(kMacB);
    ASSERT_TRUE(waitUntil([&] { return !b.scriptedBluetooth->unpairCalls.isEmpty(); })) << explain();
    const QDateTime askedAt = clock->now();
    a.listener->stop();
    b.scriptedBluetooth->releaseUnpairs();
    const QString transactionId = lastTransaction(a);
    ASSERT_TRUE(waitUntil([&] {
        return endedWith(b, transactionId, Failed{OperationFailureCategory::PeerUnavailable});
    })) << explain();
    const QList<Status> holder = b.statusesOf(transactionId);
    EXPECT_EQ(holder.mid(holder.size() - 4),
              (QList<Status>{PairResult{kKeyboard, true, {}}, PairResult{kMouse, true, {}},
                             PairResult{kTrackpad, true, {}}, Failed{OperationFailureCategory::PeerUnavailable}}));
    EXPECT_FALSE(holder.contains(Status(Success{})));
    EXPECT_EQ(table->heldBy(kNodeB).size(), 3) << "nothing is lost";

    ASSERT_TRUE(quiet()) << explain();
    clock->advance(ControlCoordinator::ANSWER_TIMEOUT_SECONDS);
    EXPECT_EQ(a.statusesOf(transactionId).last(), Status(Failed{OperationFailureCategory::Timeout}));
    EXPECT_EQ(a.progressOf(transactionId).last().occurredAt, askedAt.addSecs(60));
    expectEveryDeviceAccountedFor();
}

TEST_F(TwoNodeTransferTest, ARequesterGivesUpOnASilentHolderAndStillPairsItsLateAnswer)
{
    b.scriptedBluetooth->holdUnpairs = true;
    const QDateTime askedAt = clock->now();
    a.coordinator->takeControl(kMacB);
    ASSERT_TRUE(waitUntil([&] { return !b.scriptedBluetooth->unpairCalls.isEmpty(); })) << explain();
    ASSERT_TRUE(quiet()) << explain();
    const QString transactionId = lastTransaction(a);

    ASSERT_TRUE(advanceThroughHealthCheck(30)) << explain();
    EXPECT_EQ(a.statusesOf(transactionId).last(), Status(OutboundTransferRequestSent{}));
    clock->advance(30);
    EXPECT_EQ(a.statusesOf(transactionId).last(), Status(Failed{OperationFailureCategory::Timeout}));
    EXPECT_EQ(a.progressOf(transactionId).last().occurredAt, askedAt.addSecs(60));
    EXPECT_TRUE(a.coordinator->pendingTakeControlTargets(transactionId).isEmpty());
    ASSERT_TRUE(quiet()) << explain();

    b.scriptedBluetooth->releaseUnpairs();
    ASSERT_TRUE(waitUntil([&] {
        return endedWith(b, transactionId, Success{}) && endedWith(a, transactionId, Success{});
    })) << explain();
    EXPECT_EQ(a.progressOf(transactionId).last().direction, ControlTransferDirection::InboundTransfer)
        << "paired as devices sent unasked";
    EXPECT_EQ(table->heldBy(kNodeA).size(), 3);
    expectEveryDeviceAccountedFor();
}

// B gives its three devices to A, asked (A takes control: B's flow is an inbound transfer) or unasked
// (B sends control). B counts them handed over only once A's pings list them; what A has not listed
// when its time is up, or once A has failed three checks in a row, B pairs again.
namespace {

enum class Giving { AskedByTheReceiver, SentByTheGiver };

void PrintTo(Giving giving, std::ostream *out)
{
    *out << (giving == Giving::AskedByTheReceiver ? "asked by the receiver" : "sent by the giver");
}

struct HandOverTest : TwoNodeTransferTest, ::testing::WithParamInterface<Giving>
{
    const double perDevice = HandOverConfirmation::receiverLimitPerDeviceSeconds();
    const double grace = HandOverConfirmation::GRACE_SECONDS;
    const PingLog pingsAtB{b};

    void begin()
    {
        if (GetParam() == Giving::AskedByTheReceiver) {
            a.coordinator->takeControl(kMacB);
        } else {
            b.coordinator->sendControl(kMacA);
        }
    }

    // Begins and waits until B has written the devices-ready command.
    bool handOver()
    {
        begin();
        return waitUntil(
            [&] { return !b.progress.isEmpty() && b.statusesOf(transfer()).contains(Status(DevicesReadySent{3})); });
    }

    QString transfer() const { return b.progress.last().transactionId; }

    // Hands the devices over and waits until A has ended its side and its pings list exactly these.
    bool handOverUntilAListsOnly(const QSet<QString> &addresses)
    {
        return handOver() && waitUntil([&] {
                   return endedWith(a, transfer(), Success{}) && pingsAtB.listed.value(kMacA) == addresses;
               })
            && quiet();
    }

    // The statuses B published after writing the command of the transfer, by default the latest.
    QList<Status> giverEnding(const QString &transactionId = {}) const
    {
        const QList<Status> statuses = b.statusesOf(transactionId.isEmpty() ? transfer() : transactionId);
        return statuses.mid(statuses.indexOf(Status(DevicesReadySent{3})) + 1);
    }

    bool giverEndedWith(const Status &status) const { return endedWith(b, transfer(), status); }

    // Runs the action when A's listener has read the command, before A's bridge sees the frame: an
    // action that stops the bridge loses the frame.
    void onCommandRead(std::function<void()> action)
    {
        a.bridge->stop();
        QObject::connect(a.listener.get(), &FrameListenerProtocol::receivedFrames, a.listener.get(),
                         [action = std::move(action)](const ReceivedFrame &frame) {
                             if (frame.envelope.type == DevicesReadyForPairingCommand::envelopeType()) {
                                 action();
                             }
                         });
        a.bridge->start();
    }

    // A, the receiver, is gone and never gets to pair: B checks on it with the command and every 10 s,
    // and once three checks in a row have failed, 30 s after the command, every device comes back to B
    // rather than wait out its time for three.
    void expectEverythingBackOnBAfterThreeFailedChecks()
    {
        ASSERT_TRUE(quiet()) << explain();
        const double checks = HandOverConfirmation::FAILED_CHECKS_TO_GIVE_UP;
        ASSERT_TRUE(advanceQuietly(checks * ControlCoordinator::CONFIRMATION_CHECK_INTERVAL_SECONDS - 1)) << explain();
        EXPECT_EQ(giverEnding(), QList<Status>{}) << "still waiting";
        EXPECT_TRUE(table->holders.isEmpty());
        clock->advance(1);
        ASSERT_TRUE(waitUntil([&] { return giverEndedWith(Failed{OperationFailureCategory::Timeout}); })) << explain();
        EXPECT_EQ(giverEnding(),
                  (QList<Status>{PairResult{kKeyboard, true, {}}, PairResult{kMouse, true, {}},
                                 PairResult{kTrackpad, true, {}}, Failed{OperationFailureCategory::Timeout}}));
        EXPECT_EQ(table->heldBy(kNodeB).size(), 3) << "every device is paired with exactly one computer";
        EXPECT_TRUE(a.scriptedBluetooth->pairCalls.isEmpty());

        // From the last unpairing to the first pairing back, the devices were with neither computer.
        const QList<ControlTransferProgress> records = b.progressOf(transfer());
        QDateTime lastUnpaired;
        QDateTime firstPairedBack;
        for (const ControlTransferProgress &record : records) {
            if (std::holds_alternative<UnpairResult>(record.status)) {
                lastUnpaired = record.occurredAt;
            }
            if (std::holds_alternative<PairResult>(record.status) && !firstPairedBack.isValid()) {
                firstPairedBack = record.occurredAt;
            }
        }
        EXPECT_EQ(lastUnpaired.secsTo(firstPairedBack), 30) << "with neither computer";
        EXPECT_TRUE(logs->containsSubstring(
            LogLevel::Warning,
            QStringLiteral("Mac F1000000-0000-4000-8000-00000000000A failed 3 checks in a row with 3 "
                           "of 3 device(s) unconfirmed; pairing them here again")));
    }
};

} // namespace

INSTANTIATE_TEST_SUITE_P(BothWays, HandOverTest, ::testing::Values(Giving::AskedByTheReceiver, Giving::SentByTheGiver),
                         [](const ::testing::TestParamInfo<Giving> &info) {
                             return info.param == Giving::AskedByTheReceiver ? "Asked" : "Sent";
                         });

TEST_P(HandOverTest, TheGiverPairsEverythingAgainWhenTheReceiversBridgeStopsAfterReadingTheCommand)
{
    onCommandRead([&] { a.bridge->stop(); });
    ASSERT_TRUE(handOver()) << explain();
    ASSERT_TRUE(waitUntil([&] { return a.framesReceived > 0; }));
    expectEverythingBackOnBAfterThreeFailedChecks();
}

TEST_P(HandOverTest, TheGiverPairsEverythingAgainWhenTheReceiversListenerClosesAfterReadingTheCommand)
{
    // The frame is lost with A's listener; B's checks are refused from then on, while A itself, still
    // running, goes on pinging B.
    onCommandRead([&] {
        a.bridge->stop();
        a.listener->stop();
        a.bridge->start();
    });
    ASSERT_TRUE(handOver()) << explain();
    ASSERT_TRUE(waitUntil([&] { return !a.listener->isRunning(); })) << explain();
    expectEverythingBackOnBAfterThreeFailedChecks();
    EXPECT_TRUE(logs->containsSubstring(LogLevel::Warning,
                                        QStringLiteral("Failed to send ping request to Mac "
                                                       "F1000000-0000-4000-8000-00000000000A")));
}

TEST_P(HandOverTest, TheGiverPairsEverythingAgainWhenTheReceiverNoLongerHoldsItEligible)
{
    b.scriptedBluetooth->holdUnpairs = true;
    begin();
    ASSERT_TRUE(waitUntil([&] { return !b.scriptedBluetooth->unpairCalls.isEmpty(); })) << explain();
    a.transport->simulateEndpointDeleted(PeerEndpoint::hostPort(QStringLiteral("127.0.0.1"), b.listener->port()));
    ASSERT_TRUE(waitUntil([&] { return !a.directory->isEligible(kMacB); }));
    b.scriptedBluetooth->releaseUnpairs();
    ASSERT_TRUE(waitUntil([&] { return b.statusesOf(transfer()).contains(Status(DevicesReadySent{3})); })) << explain();
    ASSERT_TRUE(waitUntil([&] {
        return logs->containsSubstring(LogLevel::Warning, QStringLiteral("Rejecting frame from non-eligible peer"));
    })) << explain();
    expectEverythingBackOnBAfterThreeFailedChecks();
}

TEST_P(HandOverTest, ACopyOfTheReceiversRecordThatAppearsDuringTheWaitEndsItEarly)
{
    // A cannot pair but goes on answering B's pings, which alone keeps B's whole wait. As A reads the
    // command, a copy of A's record appears on B's network at another address: B no longer holds A
    // eligible, its checks cannot be sent and A's pings are refused.
    for (const QString &address : {kKeyboard, kTrackpad, kMouse}) {
        a.scriptedBluetooth->pairResults.insert(address, failure(OperationFailureCategory::Timeout));
    }
    const quint16 elsewhere = a.listener->port() == 9 ? 10 : 9;
    onCommandRead([&] {
        b.transport->simulateDiscoveredMac(
            a.identity->makeDiscoveredMac(std::nullopt)
                .withEndpoint(PeerEndpoint::hostPort(QStringLiteral("127.0.0.1"), elsewhere)));
    });
    ASSERT_TRUE(handOver()) << explain();
    ASSERT_TRUE(b.directory->identityConflicts().contains(kMacA)) << explain();
    const QDateTime written = clock->now();
    ASSERT_TRUE(quiet()) << explain();
    const double interval = ControlCoordinator::CONFIRMATION_CHECK_INTERVAL_SECONDS;
    ASSERT_TRUE(advanceQuietly((HandOverConfirmation::FAILED_CHECKS_TO_GIVE_UP + 1) * interval)) << explain();
    ASSERT_TRUE(waitUntil([&] { return giverEndedWith(Failed{OperationFailureCategory::Timeout}); })) << explain();
    EXPECT_EQ(giverEnding(),
              (QList<Status>{PairResult{kKeyboard, true, {}}, PairResult{kMouse, true, {}},
                             PairResult{kTrackpad, true, {}}, Failed{OperationFailureCategory::Timeout}}));
    EXPECT_LT(written.secsTo(b.progressOf(transfer()).last().occurredAt), 3 * perDevice + grace);
    EXPECT_EQ(table->heldBy(kNodeB).size(), 3) << "every device is back with the giver";
}

TEST_P(HandOverTest, TheDeviceTheReceiverCouldNotPairComesBackToTheGiver)
{
    a.scriptedBluetooth->pairResults.insert(kTrackpad, failure(OperationFailureCategory::Timeout));
    ASSERT_TRUE(handOverUntilAListsOnly({kKeyboard, kMouse})) << explain();
    EXPECT_TRUE(
        a.statusesOf(transfer()).contains(Status(PairResult{kTrackpad, false, OperationFailureCategory::Timeout})));

    // The time for the one device left, counted from the last confirmation.
    ASSERT_TRUE(advanceQuietly(perDevice + grace - 1)) << explain();
    EXPECT_EQ(giverEnding(), QList<Status>{});
    clock->advance(1);
    ASSERT_TRUE(waitUntil([&] { return giverEndedWith(Failed{OperationFailureCategory::Timeout}); })) << explain();
    EXPECT_EQ(giverEnding(),
              (QList<Status>{PairResult{kTrackpad, true, {}}, Failed{OperationFailureCategory::Timeout}}));
    EXPECT_EQ(table->holders.value(kTrackpad), kNodeB);
    EXPECT_EQ(table->holders.value(kKeyboard), kNodeA);
    EXPECT_EQ(table->holders.value(kMouse), kNodeA);
    EXPECT_EQ(a.statusesOf(transfer()).last(), Status(Success{})) << "the receiver's own outcome";
}

TEST_P(HandOverTest, ADeviceSentBackBeforeTheWaitEndsIsPairedOnce)
{
    // The keyboard pairs with A but connects only later, so A's pings leave it out for now.
    a.scriptedBluetooth->statuses.insert(kKeyboard, ConnectionStatus::PairedNotConnected);
    ASSERT_TRUE(handOverUntilAListsOnly({kMouse, kTrackpad})) << explain();
    const QString first = transfer();

    // It connects, and A sends everything back at once.
    a.scriptedBluetooth->statuses.remove(kKeyboard);
    Q_EMIT a.scriptedBluetooth->connectionStatusChanged(kKeyboard, ConnectionStatus::Connected);
    a.coordinator->sendControl(kMacB);
    ASSERT_TRUE(waitUntil([&] { return endedWith(b, first, Failed{OperationFailureCategory::Timeout}); })) << explain();
    EXPECT_EQ(giverEnding(first), QList<Status>{Failed{OperationFailureCategory::Timeout}})
        << "the keyboard came back, though not through B's own pairing";
    const QString back = a.progress.last().transactionId;
    ASSERT_TRUE(waitUntil([&] { return endedWith(a, back, Success{}) && endedWith(b, back, Success{}); })) << explain();
    ASSERT_TRUE(quiet()) << explain();

    ASSERT_TRUE(advanceQuietly(3 * perDevice + grace)) << explain();
    EXPECT_EQ(b.scriptedBluetooth->pairCalls.count(kKeyboard), 1) << "paired once, by the transfer back";
    EXPECT_EQ(table->heldBy(kNodeB).size(), 3);
}

TEST_P(HandOverTest, WhenTheGiverQuitsDuringTheWaitTheDevicesStayWithTheReceiver)
{
    a.scriptedBluetooth->holdPairs = true;
    ASSERT_TRUE(handOver()) << explain();
    ASSERT_TRUE(waitUntil([&] { return !a.scriptedBluetooth->pairCalls.isEmpty(); })) << explain();
    const QString transactionId = transfer();

    // B quits while it waits for A's list: nothing is paired again and what is unconfirmed is named.
    b.coordinator.reset();
    EXPECT_EQ(logs->messages(LogLevel::Warning, QStringLiteral("ControlCoordinator"))
                  .filter(QStringLiteral("Quitting before Mac F1000000-0000-4000-8000-00000000000A confirmed device "))
                  .size(),
              3);
    a.scriptedBluetooth->releasePairs();
    ASSERT_TRUE(waitUntil([&] { return endedWith(a, transactionId, Success{}); })) << explain();
    ASSERT_TRUE(quiet()) << explain();
    ASSERT_TRUE(advanceQuietly(3 * perDevice + grace)) << explain();
    EXPECT_EQ(b.statusesOf(transactionId).last(), Status(DevicesReadySent{3})) << "B published no outcome";
    EXPECT_TRUE(b.scriptedBluetooth->pairCalls.isEmpty());
    EXPECT_EQ(table->heldBy(kNodeA).size(), 3) << "every device is paired with exactly one computer";
}
