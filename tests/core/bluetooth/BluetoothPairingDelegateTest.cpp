#include "bluetooth/BluetoothPairingDelegate.h"
#include "bluetooth/BluezClient.h"
#include "support/PrivateDBus.h"
#include "support/RunTask.h"
#include "support/fakes/RecordingLoggerFactory.h"

#include <QDBusConnectionInterface>
#include <QDBusPendingCall>

#include <gtest/gtest.h>

using namespace verandel;
using namespace verandel::test;

namespace {

const QString devicePath = QStringLiteral("/org/bluez/hci0/dev_AA_BB_CC_DD_EE_01");
const QString agentInterface = QStringLiteral("org.bluez.Agent1");

// Our agent on one connection; bluetoothd (a second connection owning org.bluez) and a stranger call it.
class BluetoothPairingDelegateTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(bus.start());
        client = std::make_unique<BluezClient>(bus.connection());
        delegate = std::make_unique<BluetoothPairingDelegate>(
            std::nullopt,
            BluetoothPairingDelegate::PairingTarget{devicePath, QStringLiteral("Magic Keyboard"),
                                                    QStringLiteral("aa:bb:cc:dd:ee:01")},
            client.get(), logs);
        ASSERT_TRUE(delegate->exportObject());
        bluetoothd = QDBusConnection::connectToBus(bus.address(), QStringLiteral("fake-bluetoothd"));
        ASSERT_TRUE(bluetoothd.registerService(QStringLiteral("org.bluez")));
        stranger = QDBusConnection::connectToBus(bus.address(), QStringLiteral("stranger"));
    }

    void TearDown() override
    {
        delegate.reset();
        QDBusConnection::disconnectFromBus(QStringLiteral("fake-bluetoothd"));
        QDBusConnection::disconnectFromBus(QStringLiteral("stranger"));
    }

    QDBusMessage callAgent(QDBusConnection &from, const QString &method, const QVariantList &arguments)
    {
        QDBusMessage message = QDBusMessage::createMethodCall(
            bus.connection().baseService(), BluetoothPairingDelegate::objectPath, agentInterface, method);
        message.setArguments(arguments);
        QDBusPendingCall pending = from.asyncCall(message, 5000);
        EXPECT_TRUE(waitUntil([&] { return pending.isFinished(); }));
        return pending.reply();
    }

    static QVariant path(const QString &text) { return QVariant::fromValue(QDBusObjectPath(text)); }

    PrivateDBus bus;
    RecordingLoggerFactory logs;
    std::unique_ptr<BluezClient> client;
    std::unique_ptr<BluetoothPairingDelegate> delegate;
    QDBusConnection bluetoothd{QString()};
    QDBusConnection stranger{QString()};
};

TEST_F(BluetoothPairingDelegateTest, AnswersBluetoothdAboutTheDeviceBeingPaired)
{
    const QDBusMessage pin = callAgent(bluetoothd, QStringLiteral("RequestPinCode"), {path(devicePath)});
    ASSERT_EQ(pin.type(), QDBusMessage::ReplyMessage) << pin.errorMessage().toStdString();
    EXPECT_EQ(pin.arguments().value(0).toString(), QStringLiteral("9062"));
    EXPECT_TRUE(
        logs.contains(LogLevel::Info, QStringLiteral("Using PIN 9062 for \"Magic Keyboard\" (aa:bb:cc:dd:ee:01)")));

    const QDBusMessage confirm = callAgent(bluetoothd, QStringLiteral("RequestConfirmation"),
                                           {path(devicePath), QVariant::fromValue(quint32(1234))});
    EXPECT_EQ(confirm.type(), QDBusMessage::ReplyMessage);
    EXPECT_TRUE(logs.contains(
        LogLevel::Info,
        QStringLiteral("Auto-confirming pairing for \"Magic Keyboard\" (aa:bb:cc:dd:ee:01) with number 001234")));

    const QDBusMessage display
        = callAgent(bluetoothd, QStringLiteral("DisplayPasskey"),
                    {path(devicePath), QVariant::fromValue(quint32(42)), QVariant::fromValue(quint16(0))});
    EXPECT_EQ(display.type(), QDBusMessage::ReplyMessage);
    EXPECT_TRUE(logs.contains(
        LogLevel::Info, QStringLiteral("Passkey 000042 should be entered on \"Magic Keyboard\" (aa:bb:cc:dd:ee:01)")));

    // Typing a passkey needs a keyboard we do not have.
    const QDBusMessage passkey = callAgent(bluetoothd, QStringLiteral("RequestPasskey"), {path(devicePath)});
    EXPECT_EQ(passkey.errorName(), QStringLiteral("org.bluez.Error.Rejected"));

    EXPECT_EQ(callAgent(bluetoothd, QStringLiteral("Cancel"), {}).type(), QDBusMessage::ReplyMessage);
    EXPECT_EQ(callAgent(bluetoothd, QStringLiteral("Release"), {}).type(), QDBusMessage::ReplyMessage);
}

TEST_F(BluetoothPairingDelegateTest, PasskeyIsLoggedOnceAndKeyPressesOnlyAtDebugLevel)
{
    // bluetoothd repeats DisplayPasskey with the count of digits typed so far.
    for (quint16 entered = 0; entered <= 6; ++entered) {
        const QDBusMessage display
            = callAgent(bluetoothd, QStringLiteral("DisplayPasskey"),
                        {path(devicePath), QVariant::fromValue(quint32(123456)), QVariant::fromValue(entered)});
        EXPECT_EQ(display.type(), QDBusMessage::ReplyMessage);
    }
    EXPECT_EQ(
        logs.messages(LogLevel::Info),
        QStringList{QStringLiteral("Passkey 123456 should be entered on \"Magic Keyboard\" (aa:bb:cc:dd:ee:01)")});
    const QStringList presses = logs.messages(LogLevel::Debug).filter(QStringLiteral("passkey digits entered"));
    ASSERT_EQ(presses.size(), 6);
    EXPECT_EQ(presses.constLast(),
              QStringLiteral("6 of 6 passkey digits entered on \"Magic Keyboard\" (aa:bb:cc:dd:ee:01)"));
}

TEST_F(BluetoothPairingDelegateTest, RejectsCallersOtherThanBluetoothd)
{
    for (const auto &[method, arguments] : QList<std::pair<QString, QVariantList>>{
             {QStringLiteral("RequestPinCode"), {path(devicePath)}},
             {QStringLiteral("RequestConfirmation"), {path(devicePath), QVariant::fromValue(quint32(1))}},
             {QStringLiteral("Cancel"), {}}}) {
        const QDBusMessage reply = callAgent(stranger, method, arguments);
        EXPECT_EQ(reply.errorName(), QStringLiteral("org.bluez.Error.Rejected")) << method.toStdString();
    }
    EXPECT_FALSE(logs.containsSubstring(LogLevel::Info, QStringLiteral("Using PIN")));
}

TEST_F(BluetoothPairingDelegateTest, RejectsDevicesThatAreNotBeingPaired)
{
    const QDBusMessage reply = callAgent(bluetoothd, QStringLiteral("RequestPinCode"),
                                         {path(QStringLiteral("/org/bluez/hci0/dev_11_22_33_44_55_66"))});
    EXPECT_EQ(reply.errorName(), QStringLiteral("org.bluez.Error.Rejected"));
    const QDBusMessage confirm
        = callAgent(bluetoothd, QStringLiteral("RequestConfirmation"),
                    {path(QStringLiteral("/org/bluez/hci1/dev_AA_BB_CC_DD_EE_01")), QVariant::fromValue(quint32(1))});
    EXPECT_EQ(confirm.errorName(), QStringLiteral("org.bluez.Error.Rejected"));
}

TEST_F(BluetoothPairingDelegateTest, RejectsWhenBluetoothdIsGone)
{
    bluetoothd.unregisterService(QStringLiteral("org.bluez"));
    const QDBusMessage reply = callAgent(bluetoothd, QStringLiteral("RequestPinCode"), {path(devicePath)});
    EXPECT_EQ(reply.errorName(), QStringLiteral("org.bluez.Error.Rejected"));
}

TEST(BluetoothPairingDelegatePinTest, PinIsCutToSixteenBytesAtACharacterBoundary)
{
    RecordingLoggerFactory logs;
    const auto pinFor = [&logs](std::optional<QString> pin) {
        return BluetoothPairingDelegate(std::move(pin), {}, nullptr, logs).pinCode();
    };
    EXPECT_EQ(pinFor(std::nullopt), QStringLiteral("9062"));
    EXPECT_EQ(pinFor(QStringLiteral("12345678901234567890")), QStringLiteral("1234567890123456"));
    // Nine two-byte characters: eight fit.
    EXPECT_EQ(pinFor(QString(9, QChar(0x00E9))), QString(8, QChar(0x00E9)));
    EXPECT_EQ(pinFor(QStringLiteral("1234567890123456")).toUtf8().size(), 16);
}

TEST(BluetoothPairingDelegatePinTest, PairReplyBecomesTheResult)
{
    RecordingLoggerFactory logs;
    BluetoothPairingDelegate delegate(std::nullopt, {}, nullptr, logs);
    const OperationResult success = delegate.pairingFinished(QDBusError());
    EXPECT_TRUE(success.success);
    EXPECT_EQ(success.message, QStringLiteral("Device paired successfully"));
    EXPECT_TRUE(logs.contains(LogLevel::Info, QStringLiteral("Pairing finished successfully")));

    const QDBusMessage call = QDBusMessage::createMethodCall(
        QStringLiteral("org.bluez"), QStringLiteral("/"), QStringLiteral("org.bluez.Device1"), QStringLiteral("Pair"));
    const OperationResult failure = delegate.pairingFinished(QDBusError(call.createErrorReply(
        QStringLiteral("org.bluez.Error.AuthenticationCanceled"), QStringLiteral("Authentication Canceled"))));
    EXPECT_FALSE(failure.success);
    EXPECT_EQ(failure.failureCategory, OperationFailureCategory::Cancelled);
    EXPECT_EQ(failure.message,
              QStringLiteral("Pairing failed: org.bluez.Error.AuthenticationCanceled (Authentication Canceled)"));
    EXPECT_TRUE(logs.contains(LogLevel::Error, *failure.message));
}

} // namespace
