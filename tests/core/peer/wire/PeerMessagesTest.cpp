#include "peer/wire/PeerMessages.h"

#include "foundation/JsonDecodeError.h"

#include <QJsonDocument>
#include <QJsonObject>

#include <gtest/gtest.h>

using namespace verandel;

namespace {

const QUuid kRecipient = QUuid::fromString(QStringLiteral("a1b2c3d4-0000-4000-8000-000000000001"));
const QUuid kSender = QUuid::fromString(QStringLiteral("a1b2c3d4-0000-4000-8000-000000000002"));

template <typename T>
QByteArray written(const T &value)
{
    WireJsonWriter writer;
    value.writeJson(writer);
    return writer.take();
}

template <typename T>
T read(const char *json)
{
    return T::fromJson(QJsonDocument::fromJson(QByteArray(json)).object());
}

template <typename T>
bool fails(const char *json)
{
    try {
        read<T>(json);
    } catch (const JsonDecodeError &) {
        return true;
    }
    return false;
}

} // namespace

TEST(PeerMessagesTest, GoldenJsonOfTheSevenPayloads)
{
    EXPECT_EQ(
        written(SendPingCommand(kRecipient, {QStringLiteral("aa:bb:cc:dd:ee:ff"), QStringLiteral("11-22")},
                                QStringLiteral("Lab/1 \"B\""))),
        QByteArray(R"({"recipientMacId":"A1B2C3D4-0000-4000-8000-000000000001",)"
                   R"("ownedDeviceMacAddresses":["aa:bb:cc:dd:ee:ff","11-22"],"advertisedName":"Lab\/1 \"B\""})"));
    EXPECT_EQ(written(SendPingResponseCommand(kRecipient, {}, std::nullopt)),
              QByteArray(R"({"recipientMacId":"A1B2C3D4-0000-4000-8000-000000000001","ownedDeviceMacAddresses":[]})"));
    EXPECT_EQ(written(SendTransferCommand(kRecipient, QStringLiteral("AB12-CD"))),
              QByteArray(R"({"recipientMacId":"A1B2C3D4-0000-4000-8000-000000000001","transactionId":"ab12-cd"})"));
    const QList<TransferDeviceDescriptor> descriptors
        = {TransferDeviceDescriptor(QStringLiteral("AA:BB:CC:00:11:22"), QStringLiteral("TEL-1"), 0x05AC, 0x0267,
                                    0x002540),
           TransferDeviceDescriptor(QStringLiteral("aa:bb:cc:00:11:23"), QStringLiteral("tel-2"))};
    EXPECT_EQ(written(DevicesReadyForPairingCommand(kRecipient, QStringLiteral("TX"), descriptors)),
              QByteArray(R"({"recipientMacId":"A1B2C3D4-0000-4000-8000-000000000001","transactionId":"tx",)"
                         R"("deviceDescriptors":[{"macAddress":"AA:BB:CC:00:11:22","telemetryDeviceId":"tel-1",)"
                         R"("deviceVendorID":1452,"deviceProductID":615,"classOfDevice":9536},)"
                         R"({"macAddress":"aa:bb:cc:00:11:23","telemetryDeviceId":"tel-2"}]})"));
    EXPECT_EQ(written(SendConnectionRequestCommand(kRecipient, QStringLiteral("K7Q2ZX"))),
              QByteArray(R"({"recipientMacId":"A1B2C3D4-0000-4000-8000-000000000001","securityCode":"K7Q2ZX"})"));
    EXPECT_EQ(written(AcceptConnectionRequestCommand(kRecipient)),
              QByteArray(R"({"recipientMacId":"A1B2C3D4-0000-4000-8000-000000000001"})"));
    EXPECT_EQ(written(RejectConnectionRequestCommand(kRecipient)),
              QByteArray(R"({"recipientMacId":"A1B2C3D4-0000-4000-8000-000000000001"})"));
}

TEST(PeerMessagesTest, PingListsAndNamesReadAbsentOrNullAsEmpty)
{
    for (const char *json : {R"({"recipientMacId":"a1b2c3d4-0000-4000-8000-000000000001"})",
                             R"({"recipientMacId":"a1b2c3d4-0000-4000-8000-000000000001",)"
                             R"("ownedDeviceMacAddresses":null,"advertisedName":null,"extra":1})"}) {
        const auto command = read<SendPingCommand>(json);
        EXPECT_EQ(command.recipientMacId, kRecipient);
        EXPECT_TRUE(command.ownedDeviceMacAddresses.isEmpty());
        EXPECT_EQ(command.advertisedName, std::nullopt);
    }
    EXPECT_NE(SendPingCommand(kRecipient, {}, std::nullopt), SendPingCommand(kRecipient, {}, QString()));
}

TEST(PeerMessagesTest, TransactionIdsAreLowerCasedByInitialisersOnly)
{
    EXPECT_EQ(SendTransferCommand(kRecipient, QStringLiteral("AB12-CD")).transactionId, QStringLiteral("ab12-cd"));
    const auto decoded = read<SendTransferCommand>(
        R"({"recipientMacId":"A1B2C3D4-0000-4000-8000-000000000001","transactionId":"AB12-CD"})");
    EXPECT_EQ(decoded.transactionId, QStringLiteral("AB12-CD"));
    EXPECT_EQ(TransferRequestReceivedEvent(kSender, decoded.transactionId).transactionId, QStringLiteral("ab12-cd"));
}

TEST(PeerMessagesTest, DescriptorNumbersAreRangeChecked)
{
    const auto descriptor = TransferDeviceDescriptor::fromJson(
        QJsonDocument::fromJson(
            R"({"macAddress":"AA","telemetryDeviceId":"T","deviceVendorID":65535,"classOfDevice":4294967295})")
            .object());
    EXPECT_EQ(descriptor.deviceVendorID, 65535);
    EXPECT_EQ(descriptor.classOfDevice, 4294967295u);
    EXPECT_EQ(descriptor.deviceProductID, std::nullopt);
    EXPECT_EQ(descriptor.telemetryDeviceId, QStringLiteral("T"));

    for (const char *bad :
         {R"({"macAddress":"AA","telemetryDeviceId":"T","deviceVendorID":65536})",
          R"({"macAddress":"AA","telemetryDeviceId":"T","deviceProductID":-1})",
          R"({"macAddress":"AA","telemetryDeviceId":"T","deviceProductID":1.5})",
          R"({"macAddress":"AA","telemetryDeviceId":"T","classOfDevice":4294967296})", R"({"macAddress":"AA"})"}) {
        EXPECT_THROW(TransferDeviceDescriptor::fromJson(QJsonDocument::fromJson(bad).object()), JsonDecodeError) << bad;
    }
}

TEST(PeerMessagesTest, DevicesReadyNeedsTheDescriptorList)
{
    const auto empty = read<DevicesReadyForPairingCommand>(
        R"({"recipientMacId":"A1B2C3D4-0000-4000-8000-000000000001","transactionId":"t","deviceDescriptors":[]})");
    EXPECT_TRUE(empty.deviceMacAddresses().isEmpty());

    const DevicesReadyForPairingCommand command(kRecipient, QStringLiteral("t"),
                                                {TransferDeviceDescriptor(QStringLiteral("A"), QStringLiteral("1")),
                                                 TransferDeviceDescriptor(QStringLiteral("B"), QStringLiteral("2")),
                                                 TransferDeviceDescriptor(QStringLiteral("A"), QStringLiteral("3"))});
    EXPECT_EQ(command.deviceMacAddresses(),
              (QStringList{QStringLiteral("A"), QStringLiteral("B"), QStringLiteral("A")}));
    EXPECT_EQ(read<RejectConnectionRequestCommand>(R"({"recipientMacId":"a1b2c3d4-0000-4000-8000-000000000001"})"),
              RejectConnectionRequestCommand(kRecipient));
}

TEST(PeerMessagesTest, PayloadsWithoutTheirKeysAreRefused)
{
    const bool refused[] = {
        fails<DevicesReadyForPairingCommand>(
            R"({"recipientMacId":"A1B2C3D4-0000-4000-8000-000000000001","transactionId":"t"})"),
        fails<SendConnectionRequestCommand>(R"({"recipientMacId":"A1B2C3D4-0000-4000-8000-000000000001"})"),
        fails<AcceptConnectionRequestCommand>(R"({})"),
        fails<RejectConnectionRequestCommand>(R"({"recipientMacId":null})"),
        fails<SendTransferCommand>(R"({"recipientMacId":"A1B2C3D4-0000-4000-8000-000000000001"})"),
        fails<SendTransferCommand>(R"({"recipientMacId":"A1B2C3D4-0000-4000-8000-000000000001","transactionId":5})"),
        fails<SendPingCommand>(R"({"ownedDeviceMacAddresses":[]})"),
        fails<SendPingCommand>(R"({"recipientMacId":"x"})"),
        fails<SendPingCommand>(
            R"({"recipientMacId":"a1b2c3d4-0000-4000-8000-000000000001","ownedDeviceMacAddresses":[1]})"),
    };
    for (std::size_t i = 0; i < std::size(refused); ++i) {
        EXPECT_TRUE(refused[i]) << "case " << i;
    }
}
