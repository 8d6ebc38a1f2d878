#include "peer/wire/PeerMessages.h"

#include "foundation/JsonDecodeError.h"
#include "foundation/JsonFields.h"

#include <QJsonArray>
#include <QJsonObject>

namespace verandel {

namespace {

const QString kRecipientMacId = QStringLiteral("recipientMacId");
const QString kSenderMacId = QStringLiteral("senderMacId");
const QString kOwnedDeviceMacAddresses = QStringLiteral("ownedDeviceMacAddresses");
const QString kDeviceMacAddresses = QStringLiteral("deviceMacAddresses");
const QString kAdvertisedName = QStringLiteral("advertisedName");
const QString kTransactionId = QStringLiteral("transactionId");
const QString kDeviceDescriptors = QStringLiteral("deviceDescriptors");
const QString kSecurityCode = QStringLiteral("securityCode");

void writeUuid(WireJsonWriter &writer, const QString &key, const QUuid &id)
{
    writer.key(key);
    writer.uuid(id);
}

void writeStrings(WireJsonWriter &writer, const QString &key, const QStringList &values)
{
    writer.key(key);
    writer.beginArray();
    for (const QString &value : values) {
        writer.string(value);
    }
    writer.endArray();
}

// Absent or null is an empty list.
QStringList readStrings(const QJsonObject &object, const QString &key)
{
    const QJsonValue value = object.value(key);
    if (value.isUndefined() || value.isNull()) {
        return {};
    }
    if (!value.isArray()) {
        throw JsonDecodeError(QStringLiteral("Expected an array for key \"%1\"").arg(key));
    }
    const QJsonArray array = value.toArray();
    QStringList strings;
    strings.reserve(array.size());
    for (const QJsonValue &element : array) {
        if (!element.isString()) {
            throw JsonDecodeError(QStringLiteral("Expected an array of strings for key \"%1\"").arg(key));
        }
        strings.append(element.toString());
    }
    return strings;
}

void writeDescriptors(WireJsonWriter &writer, const QList<TransferDeviceDescriptor> &descriptors)
{
    writer.key(kDeviceDescriptors);
    writer.beginArray();
    for (const TransferDeviceDescriptor &descriptor : descriptors) {
        descriptor.writeJson(writer);
    }
    writer.endArray();
}

QList<TransferDeviceDescriptor> readDescriptors(const QJsonObject &object)
{
    const QJsonValue value = json::requireValue(object, kDeviceDescriptors);
    if (!value.isArray()) {
        throw JsonDecodeError(QStringLiteral("Expected an array for key \"%1\"").arg(kDeviceDescriptors));
    }
    const QJsonArray array = value.toArray();
    QList<TransferDeviceDescriptor> descriptors;
    descriptors.reserve(array.size());
    for (qsizetype i = 0; i < array.size(); ++i) {
        try {
            descriptors.append(TransferDeviceDescriptor::fromJson(array.at(i)));
        } catch (const JsonDecodeError &error) {
            throw JsonDecodeError(
                QStringLiteral("%1[%2]: %3").arg(kDeviceDescriptors, QString::number(i), error.description()));
        }
    }
    return descriptors;
}

// The two ping commands and the two ping events share one shape under different key names.
void writePing(WireJsonWriter &writer, const QString &idKey, const QUuid &id, const QString &listKey,
               const QStringList &addresses, const std::optional<QString> &advertisedName)
{
    writer.beginObject();
    writeUuid(writer, idKey, id);
    writeStrings(writer, listKey, addresses);
    if (advertisedName) {
        writer.field(kAdvertisedName, *advertisedName);
    }
    writer.endObject();
}

template <typename T>
T readPing(const QJsonValue &json, const char *what, const QString &idKey, const QString &listKey)
{
    const QJsonObject object = json::requireObject(json, QLatin1String(what));
    return T(json::requireUuid(object, idKey), readStrings(object, listKey),
             json::optionalString(object, kAdvertisedName));
}

} // namespace

// Commands.

SendPingCommand::SendPingCommand(QUuid macId, QStringList ownedDeviceMacAddresses,
                                 std::optional<QString> advertisedName)
    : recipientMacId(macId)
    , ownedDeviceMacAddresses(std::move(ownedDeviceMacAddresses))
    , advertisedName(std::move(advertisedName))
{ }

void SendPingCommand::writeJson(WireJsonWriter &writer) const
{
    writePing(writer, kRecipientMacId, recipientMacId, kOwnedDeviceMacAddresses, ownedDeviceMacAddresses,
              advertisedName);
}

SendPingCommand SendPingCommand::fromJson(const QJsonValue &json)
{
    return readPing<SendPingCommand>(json, "SendPingCommand", kRecipientMacId, kOwnedDeviceMacAddresses);
}

SendPingResponseCommand::SendPingResponseCommand(QUuid recipientMacId, QStringList ownedDeviceMacAddresses,
                                                 std::optional<QString> advertisedName)
    : recipientMacId(recipientMacId)
    , ownedDeviceMacAddresses(std::move(ownedDeviceMacAddresses))
    , advertisedName(std::move(advertisedName))
{ }

void SendPingResponseCommand::writeJson(WireJsonWriter &writer) const
{
    writePing(writer, kRecipientMacId, recipientMacId, kOwnedDeviceMacAddresses, ownedDeviceMacAddresses,
              advertisedName);
}

SendPingResponseCommand SendPingResponseCommand::fromJson(const QJsonValue &json)
{
    return readPing<SendPingResponseCommand>(json, "SendPingResponseCommand", kRecipientMacId,
                                             kOwnedDeviceMacAddresses);
}

SendTransferCommand::SendTransferCommand(QUuid recipientMacId, const QString &transactionId)
    : recipientMacId(recipientMacId)
    , transactionId(transactionId.toLower())
{ }

void SendTransferCommand::writeJson(WireJsonWriter &writer) const
{
    writer.beginObject();
    writeUuid(writer, kRecipientMacId, recipientMacId);
    writer.field(kTransactionId, transactionId);
    writer.endObject();
}

SendTransferCommand SendTransferCommand::fromJson(const QJsonValue &json)
{
    const QJsonObject object = json::requireObject(json, QStringLiteral("SendTransferCommand"));
    SendTransferCommand command;
    command.recipientMacId = json::requireUuid(object, kRecipientMacId);
    command.transactionId = json::requireString(object, kTransactionId);
    return command;
}

DevicesReadyForPairingCommand::DevicesReadyForPairingCommand(QUuid recipientMacId, const QString &transactionId,
                                                             QList<TransferDeviceDescriptor> deviceDescriptors)
    : recipientMacId(recipientMacId)
    , transactionId(transactionId.toLower())
    , deviceDescriptors(std::move(deviceDescriptors))
{ }

QStringList DevicesReadyForPairingCommand::deviceMacAddresses() const
{
    return TransferDeviceDescriptor::addressesOf(deviceDescriptors);
}

void DevicesReadyForPairingCommand::writeJson(WireJsonWriter &writer) const
{
    writer.beginObject();
    writeUuid(writer, kRecipientMacId, recipientMacId);
    writer.field(kTransactionId, transactionId);
    writeDescriptors(writer, deviceDescriptors);
    writer.endObject();
}

DevicesReadyForPairingCommand DevicesReadyForPairingCommand::fromJson(const QJsonValue &json)
{
    const QJsonObject object = json::requireObject(json, QStringLiteral("DevicesReadyForPairingCommand"));
    DevicesReadyForPairingCommand command;
    command.recipientMacId = json::requireUuid(object, kRecipientMacId);
    command.transactionId = json::requireString(object, kTransactionId);
    command.deviceDescriptors = readDescriptors(object);
    return command;
}

SendConnectionRequestCommand::SendConnectionRequestCommand(QUuid recipientMacId, QString securityCode)
    : recipientMacId(recipientMacId)
    , securityCode(std::move(securityCode))
{ }

void SendConnectionRequestCommand::writeJson(WireJsonWriter &writer) const
{
    writer.beginObject();
    writeUuid(writer, kRecipientMacId, recipientMacId);
    writer.field(kSecurityCode, securityCode);
    writer.endObject();
}

SendConnectionRequestCommand SendConnectionRequestCommand::fromJson(const QJsonValue &json)
{
    const QJsonObject object = json::requireObject(json, QStringLiteral("SendConnectionRequestCommand"));
    return SendConnectionRequestCommand(json::requireUuid(object, kRecipientMacId),
                                        json::requireString(object, kSecurityCode));
}

AcceptConnectionRequestCommand::AcceptConnectionRequestCommand(QUuid recipientMacId)
    : recipientMacId(recipientMacId)
{ }

void AcceptConnectionRequestCommand::writeJson(WireJsonWriter &writer) const
{
    writer.beginObject();
    writeUuid(writer, kRecipientMacId, recipientMacId);
    writer.endObject();
}

AcceptConnectionRequestCommand AcceptConnectionRequestCommand::fromJson(const QJsonValue &json)
{
    const QJsonObject object = json::requireObject(json, QStringLiteral("AcceptConnectionRequestCommand"));
    return AcceptConnectionRequestCommand(json::requireUuid(object, kRecipientMacId));
}

RejectConnectionRequestCommand::RejectConnectionRequestCommand(QUuid recipientMacId)
    : recipientMacId(recipientMacId)
{ }

void RejectConnectionRequestCommand::writeJson(WireJsonWriter &writer) const
{
    writer.beginObject();
    writeUuid(writer, kRecipientMacId, recipientMacId);
    writer.endObject();
}

RejectConnectionRequestCommand RejectConnectionRequestCommand::fromJson(const QJsonValue &json)
{
    const QJsonObject object = json::requireObject(json, QStringLiteral("RejectConnectionRequestCommand"));
    return RejectConnectionRequestCommand(json::requireUuid(object, kRecipientMacId));
}

// Received events.

PingRequestReceivedEvent::PingRequestReceivedEvent(QUuid senderMacId, QStringList deviceMacAddresses,
                                                   std::optional<QString> advertisedName)
    : senderMacId(senderMacId)
    , deviceMacAddresses(std::move(deviceMacAddresses))
    , advertisedName(std::move(advertisedName))
{ }

void PingRequestReceivedEvent::writeJson(WireJsonWriter &writer) const
{
    writePing(writer, kSenderMacId, senderMacId, kDeviceMacAddresses, deviceMacAddresses, advertisedName);
}

PingRequestReceivedEvent PingRequestReceivedEvent::fromJson(const QJsonValue &json)
{
    return readPing<PingRequestReceivedEvent>(json, "PingRequestReceivedEvent", kSenderMacId, kDeviceMacAddresses);
}

PingResponseReceivedEvent::PingResponseReceivedEvent(QUuid senderMacId, QStringList deviceMacAddresses,
                                                     std::optional<QString> advertisedName)
    : senderMacId(senderMacId)
    , deviceMacAddresses(std::move(deviceMacAddresses))
    , advertisedName(std::move(advertisedName))
{ }

void PingResponseReceivedEvent::writeJson(WireJsonWriter &writer) const
{
    writePing(writer, kSenderMacId, senderMacId, kDeviceMacAddresses, deviceMacAddresses, advertisedName);
}

PingResponseReceivedEvent PingResponseReceivedEvent::fromJson(const QJsonValue &json)
{
    return readPing<PingResponseReceivedEvent>(json, "PingResponseReceivedEvent", kSenderMacId, kDeviceMacAddresses);
}

TransferRequestReceivedEvent::TransferRequestReceivedEvent(QUuid senderMacId, const QString &transactionId)
    : senderMacId(senderMacId)
    , transactionId(transactionId.toLower())
{ }

void TransferRequestReceivedEvent::writeJson(WireJsonWriter &writer) const
{
    writer.beginObject();
    writeUuid(writer, kSenderMacId, senderMacId);
    writer.field(kTransactionId, transactionId);
    writer.endObject();
}

TransferRequestReceivedEvent TransferRequestReceivedEvent::fromJson(const QJsonValue &json)
{
    const QJsonObject object = json::requireObject(json, QStringLiteral("TransferRequestReceivedEvent"));
    TransferRequestReceivedEvent event;
    event.senderMacId = json::requireUuid(object, kSenderMacId);
    event.transactionId = json::requireString(object, kTransactionId);
    return event;
}

DevicesReadyForPairingReceivedEvent::DevicesReadyForPairingReceivedEvent(
    QUuid senderMacId, const QString &transactionId, QList<TransferDeviceDescriptor> deviceDescriptors)
    : senderMacId(senderMacId)
    , transactionId(transactionId.toLower())
    , deviceDescriptors(std::move(deviceDescriptors))
{ }

QStringList DevicesReadyForPairingReceivedEvent::deviceMacAddresses() const
{
    return TransferDeviceDescriptor::addressesOf(deviceDescriptors);
}

void DevicesReadyForPairingReceivedEvent::writeJson(WireJsonWriter &writer) const
{
    writer.beginObject();
    writeUuid(writer, kSenderMacId, senderMacId);
    writer.field(kTransactionId, transactionId);
    writeDescriptors(writer, deviceDescriptors);
    writer.endObject();
}

DevicesReadyForPairingReceivedEvent DevicesReadyForPairingReceivedEvent::fromJson(const QJsonValue &json)
{
    const QJsonObject object = json::requireObject(json, QStringLiteral("DevicesReadyForPairingReceivedEvent"));
    DevicesReadyForPairingReceivedEvent event;
    event.senderMacId = json::requireUuid(object, kSenderMacId);
    event.transactionId = json::requireString(object, kTransactionId);
    event.deviceDescriptors = readDescriptors(object);
    return event;
}

ConnectionRequestReceivedEvent::ConnectionRequestReceivedEvent(QUuid senderMacId, QString securityCode)
    : senderMacId(senderMacId)
    , securityCode(std::move(securityCode))
{ }

void ConnectionRequestReceivedEvent::writeJson(WireJsonWriter &writer) const
{
    writer.beginObject();
    writeUuid(writer, kSenderMacId, senderMacId);
    writer.field(kSecurityCode, securityCode);
    writer.endObject();
}

ConnectionRequestReceivedEvent ConnectionRequestReceivedEvent::fromJson(const QJsonValue &json)
{
    const QJsonObject object = json::requireObject(json, QStringLiteral("ConnectionRequestReceivedEvent"));
    return ConnectionRequestReceivedEvent(json::requireUuid(object, kSenderMacId),
                                          json::requireString(object, kSecurityCode));
}

ConnectionRequestAcceptedEvent::ConnectionRequestAcceptedEvent(QUuid senderMacId)
    : senderMacId(senderMacId)
{ }

void ConnectionRequestAcceptedEvent::writeJson(WireJsonWriter &writer) const
{
    writer.beginObject();
    writeUuid(writer, kSenderMacId, senderMacId);
    writer.endObject();
}

ConnectionRequestAcceptedEvent ConnectionRequestAcceptedEvent::fromJson(const QJsonValue &json)
{
    const QJsonObject object = json::requireObject(json, QStringLiteral("ConnectionRequestAcceptedEvent"));
    return ConnectionRequestAcceptedEvent(json::requireUuid(object, kSenderMacId));
}

ConnectionRequestRejectedEvent::ConnectionRequestRejectedEvent(QUuid senderMacId)
    : senderMacId(senderMacId)
{ }

void ConnectionRequestRejectedEvent::writeJson(WireJsonWriter &writer) const
{
    writer.beginObject();
    writeUuid(writer, kSenderMacId, senderMacId);
    writer.endObject();
}

ConnectionRequestRejectedEvent ConnectionRequestRejectedEvent::fromJson(const QJsonValue &json)
{
    const QJsonObject object = json::requireObject(json, QStringLiteral("ConnectionRequestRejectedEvent"));
    return ConnectionRequestRejectedEvent(json::requireUuid(object, kSenderMacId));
}

} // namespace verandel
