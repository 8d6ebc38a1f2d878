#include "peer/PeerCommunicationHub.h"

#include "support/RunTask.h"
#include "support/fakes/RecordingLoggerFactory.h"

#include <gtest/gtest.h>

using namespace verandel;

namespace {

const QUuid kMac = QUuid::fromString(QStringLiteral("a1b2c3d4-0000-4000-8000-000000000001"));

struct HubFixture : ::testing::Test
{
    std::shared_ptr<test::RecordingLoggerFactory> logs = std::make_shared<test::RecordingLoggerFactory>();
    PeerCommunicationHub hub{logs};
};

} // namespace

TEST_F(HubFixture, DeliversLaterInSendOrderAcrossTypes)
{
    QStringList seen;
    QObject::connect(&hub, &PeerCommunicationHub::pingRequests, &hub, [&] { seen.append(QStringLiteral("ping")); });
    QObject::connect(&hub, &PeerCommunicationHub::receivedTransferRequests, &hub,
                     [&](const TransferRequestReceivedEvent &event) { seen.append(event.transactionId); });
    QObject::connect(&hub, &PeerCommunicationHub::acceptConnectionCommands, &hub,
                     [&] { seen.append(QStringLiteral("accept")); });

    hub.send(TransferRequestReceivedEvent(kMac, QStringLiteral("TX-1")));
    hub.send(SendPingCommand(kMac, {}, std::nullopt));
    hub.send(AcceptConnectionRequestCommand(kMac));
    hub.send(TransferRequestReceivedEvent(kMac, QStringLiteral("tx-2")));
    EXPECT_TRUE(seen.isEmpty());
    EXPECT_TRUE(logs->allMessages().isEmpty());

    ASSERT_TRUE(test::waitUntil([&] { return seen.size() == 4; }));
    EXPECT_EQ(seen,
              (QStringList{QStringLiteral("tx-1"), QStringLiteral("ping"), QStringLiteral("accept"),
                           QStringLiteral("tx-2")}));
}

// Every message is logged, subscribers or not, with peer text kept on one line.
TEST_F(HubFixture, LogsEveryMessageEvenWithoutSubscribers)
{
    hub.send(SendPingResponseCommand(kMac, {QStringLiteral("aa:bb"), QStringLiteral("cc:dd")}, std::nullopt));
    hub.send(DevicesReadyForPairingCommand(kMac, QStringLiteral("t"),
                                           {TransferDeviceDescriptor(QStringLiteral("A"), QStringLiteral("1")),
                                            TransferDeviceDescriptor(QStringLiteral("B"), QStringLiteral("2"))}));
    hub.send(ConnectionRequestReceivedEvent(kMac, QStringLiteral("AB\nFORGED LINE")));
    ASSERT_TRUE(test::waitUntil([&] { return logs->allMessages().size() == 3; }));

    const QString id = QStringLiteral("A1B2C3D4-0000-4000-8000-000000000001");
    EXPECT_EQ(
        logs->messages(LogLevel::Debug, QStringLiteral("PeerCommunicationHub")),
        (QStringList{
            QStringLiteral("SendPingResponseCommand [recipientMacId=%1, ownedDeviceMacAddresses=aa:bb, cc:dd]").arg(id),
            QStringLiteral("DevicesReadyForPairingCommand [recipientMacId=%1, deviceMacAddresses=A, B]").arg(id),
            QStringLiteral("ConnectionRequestReceivedEvent [senderMacId=%1, securityCode=AB\\nFORGED LINE]").arg(id),
        }));
}

TEST_F(HubFixture, LateSubscribersGetOnlyLaterMessages)
{
    hub.send(SendPingCommand(kMac, {}, std::nullopt));
    ASSERT_TRUE(test::waitUntil([&] { return logs->allMessages().size() == 1; }));
    int received = 0;
    QObject::connect(&hub, &PeerCommunicationHub::pingRequests, &hub, [&] { ++received; });
    QCoreApplication::processEvents();
    EXPECT_EQ(received, 0);
    hub.send(SendPingCommand(kMac, {}, std::nullopt));
    ASSERT_TRUE(test::waitUntil([&] { return received == 1; }));
}

TEST_F(HubFixture, DevicesReadyCountsAsDeliveredOnlyWhenItsSubscriberReportsIt)
{
    const auto devicesReady = [](PeerCommunicationHub &on) {
        return on.send(DevicesReadyForPairingCommand(kMac, QStringLiteral("t"), {}));
    };
    EXPECT_FALSE(test::runTask(devicesReady(hub))) << "nobody subscribed";

    int looked = 0;
    QObject::connect(&hub, &PeerCommunicationHub::devicesReadyCommands, &hub, [&] { ++looked; });
    EXPECT_FALSE(test::runTask(devicesReady(hub))) << "a subscriber that does not report";
    EXPECT_EQ(looked, 1);

    QObject::connect(&hub, &PeerCommunicationHub::devicesReadyCommands, &hub,
                     [](const DevicesReadyForPairingCommand &, const DeliveryReport &report) { report.report(true); });
    EXPECT_TRUE(test::runTask(devicesReady(hub)));

    auto released = std::make_unique<PeerCommunicationHub>(logs);
    QObject::connect(released.get(), &PeerCommunicationHub::devicesReadyCommands, released.get(),
                     [](const DevicesReadyForPairingCommand &, const DeliveryReport &report) { report.report(true); });
    QCoro::Task<bool> pending = devicesReady(*released);
    released.reset();
    EXPECT_FALSE(test::runTask(std::move(pending))) << "hub released before it delivered";
}
