#include "bluetooth/BluetoothPairingDelegate.h"

#include "bluetooth/BluezClient.h"
#include "bluetooth/BluezTypes.h"
#include "bluetooth/PairingErrorMapping.h"

namespace verandel {

const QString BluetoothPairingDelegate::defaultPin = QStringLiteral("9062");
const QString BluetoothPairingDelegate::objectPath = QStringLiteral("/com/verandel/Verandel/PairingAgent");
const QString BluetoothPairingDelegate::capability = QStringLiteral("KeyboardDisplay");

namespace {

QString sixDigits(quint32 value)
{
    return QString::number(value).rightJustified(6, QLatin1Char('0'));
}

} // namespace

BluetoothPairingDelegate::BluetoothPairingDelegate(std::optional<QString> pin, PairingTarget target,
                                                   BluezClient *client, LoggerFactory &loggerFactory, QObject *parent)
    : QObject(parent)
    , m_pin(std::move(pin))
    , m_target(std::move(target))
    , m_client(client)
    , m_logger(loggerFactory.createLogger(QStringLiteral("BluetoothPairingDelegate")))
{ }

bool BluetoothPairingDelegate::exportObject()
{
    if (!m_client) {
        return false;
    }
    m_exported = m_client->connection().registerObject(objectPath, this, QDBusConnection::ExportAllSlots);
    return m_exported;
}

void BluetoothPairingDelegate::unexportObject()
{
    if (m_exported && m_client) {
        m_client->connection().unregisterObject(objectPath);
    }
    m_exported = false;
}

QString BluetoothPairingDelegate::pinCode() const
{
    const QString pin = m_pin.value_or(defaultPin);
    // BlueZ takes at most 16 bytes; cutting inside a multi-byte character would make the string
    // invalid UTF-8, which the bus refuses.
    QString cut;
    qsizetype bytes = 0;
    for (qsizetype i = 0; i < pin.size();) {
        const qsizetype length = (pin.at(i).isHighSurrogate() && i + 1 < pin.size()) ? 2 : 1;
        const QString character = pin.mid(i, length);
        const qsizetype characterBytes = character.toUtf8().size();
        if (bytes + characterBytes > 16) {
            break;
        }
        cut += character;
        bytes += characterBytes;
        i += length;
    }
    return cut;
}

OperationResult BluetoothPairingDelegate::pairingFinished(const QDBusError &error)
{
    if (!error.isValid()) {
        m_logger->info(QStringLiteral("Pairing finished successfully"));
        return OperationResult::succeeded(QStringLiteral("Device paired successfully"));
    }
    const QString message = PairingErrorMapping::bluezPairingFailureMessage(error.name(), error.message());
    m_logger->error(message);
    return OperationResult::failure(
        message, PairingErrorMapping::bluezFailureCategory(error.name()).value_or(OperationFailureCategory::Unknown));
}

QString BluetoothPairingDelegate::deviceLabel() const
{
    return QLatin1Char('"') + m_target.name.value_or(QStringLiteral("Unknown")) + QStringLiteral("\" (")
        + m_target.macAddress + QLatin1Char(')');
}

void BluetoothPairingDelegate::answerLater(std::optional<QString> devicePath, Answer answerFunction)
{
    setDelayedReply(true);
    answer(QPointer<BluetoothPairingDelegate>(this), message(), std::move(devicePath), std::move(answerFunction));
}

QCoro::Task<> BluetoothPairingDelegate::answer(QPointer<BluetoothPairingDelegate> self, QDBusMessage call,
                                               std::optional<QString> devicePath, Answer answerFunction)
{
    if (!self || !self->m_client) {
        co_return;
    }
    QDBusConnection bus = self->m_client->connection();
    const BluezReply<QString> owner = co_await self->m_client->serviceOwner();
    if (!self) {
        bus.send(call.createErrorReply(Bluez::rejectedError, QStringLiteral("Pairing is over")));
        co_return;
    }
    std::optional<QDBusMessage> reply;
    if (!owner.ok() || owner.value != call.service()) {
        self->m_logger->warning(QStringLiteral("Rejecting %1 from %2: only bluetoothd may call the pairing agent")
                                    .arg(call.member(), call.service()));
    } else if (devicePath && *devicePath != self->m_target.devicePath) {
        self->m_logger->warning(
            QStringLiteral("Rejecting %1 for %2: that device is not being paired").arg(call.member(), *devicePath));
    } else {
        reply = answerFunction(call);
    }
    bus.send(reply ? *reply : call.createErrorReply(Bluez::rejectedError, QStringLiteral("Request rejected")));
}

QString BluetoothPairingDelegate::RequestPinCode(const QDBusObjectPath &device)
{
    answerLater(device.path(), [this](const QDBusMessage &call) -> std::optional<QDBusMessage> {
        const QString pin = pinCode();
        m_logger->info(QStringLiteral("Using PIN ") + pin + QStringLiteral(" for ") + deviceLabel());
        return call.createReply(pin);
    });
    return {};
}

void BluetoothPairingDelegate::DisplayPinCode(const QDBusObjectPath &device, const QString &pincode)
{
    answerLater(device.path(), [this, pincode](const QDBusMessage &call) -> std::optional<QDBusMessage> {
        m_logger->info(QStringLiteral("Passkey ") + pincode + QStringLiteral(" should be entered on ") + deviceLabel());
        return call.createReply();
    });
}

quint32 BluetoothPairingDelegate::RequestPasskey(const QDBusObjectPath &device)
{
    answerLater(device.path(), [this](const QDBusMessage &) -> std::optional<QDBusMessage> {
        m_logger->warning(QStringLiteral("Rejecting passkey entry for ") + deviceLabel()
                          + QStringLiteral(": this computer cannot type a passkey"));
        return std::nullopt;
    });
    return 0;
}

void BluetoothPairingDelegate::DisplayPasskey(const QDBusObjectPath &device, quint32 passkey, quint16 entered)
{
    answerLater(device.path(), [this, passkey, entered](const QDBusMessage &call) -> std::optional<QDBusMessage> {
        if (m_displayedPasskey != passkey) {
            m_displayedPasskey = passkey;
            m_logger->info(QStringLiteral("Passkey ") + sixDigits(passkey) + QStringLiteral(" should be entered on ")
                           + deviceLabel());
        } else {
            m_logger->debug(
                QStringLiteral("%1 of 6 passkey digits entered on %2").arg(QString::number(entered), deviceLabel()));
        }
        return call.createReply();
    });
}

void BluetoothPairingDelegate::RequestConfirmation(const QDBusObjectPath &device, quint32 passkey)
{
    answerLater(device.path(), [this, passkey](const QDBusMessage &call) -> std::optional<QDBusMessage> {
        m_logger->info(QStringLiteral("Auto-confirming pairing for ") + deviceLabel() + QStringLiteral(" with number ")
                       + sixDigits(passkey));
        return call.createReply();
    });
}

void BluetoothPairingDelegate::RequestAuthorization(const QDBusObjectPath &device)
{
    answerLater(device.path(), [this](const QDBusMessage &call) -> std::optional<QDBusMessage> {
        m_logger->info(QStringLiteral("Authorizing pairing for ") + deviceLabel());
        return call.createReply();
    });
}

void BluetoothPairingDelegate::AuthorizeService(const QDBusObjectPath &device, const QString &uuid)
{
    answerLater(device.path(), [this, uuid](const QDBusMessage &call) -> std::optional<QDBusMessage> {
        m_logger->info(QStringLiteral("Authorizing service ") + uuid + QStringLiteral(" for ") + deviceLabel());
        return call.createReply();
    });
}

void BluetoothPairingDelegate::Cancel()
{
    answerLater(std::nullopt, [this](const QDBusMessage &call) -> std::optional<QDBusMessage> {
        m_logger->info(QStringLiteral("Pairing request for ") + deviceLabel()
                       + QStringLiteral(" was cancelled by bluetoothd"));
        return call.createReply();
    });
}

void BluetoothPairingDelegate::Release()
{
    answerLater(std::nullopt, [this](const QDBusMessage &call) -> std::optional<QDBusMessage> {
        m_logger->info(QStringLiteral("Pairing agent released by bluetoothd"));
        return call.createReply();
    });
}

} // namespace verandel
