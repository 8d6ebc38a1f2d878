#pragma once

#include "peer/wire/EnvelopePayload.h"
#include "peer/wire/TransferDeviceDescriptor.h"

#include <QJsonValue>
#include <QList>
#include <QString>
#include <QStringList>
#include <QUuid>

#include <optional>

// The seven peer messages: each command is what a service hands to the hub for another computer and
// what travels as the envelope's payload; each received event is what the bridge makes of it on the
// receiving computer, with the sender's id in place of the recipient's. Only the commands' JSON
// travels. Initialisers lower-case transaction ids; decoding keeps what was received.

namespace verandel {

struct SendPingCommand
{
    static QString envelopeType() { return QStringLiteral("ping_request"); }

    QUuid recipientMacId;
    QStringList ownedDeviceMacAddresses;
    std::optional<QString> advertisedName;

    SendPingCommand() = default;
    SendPingCommand(QUuid macId, QStringList ownedDeviceMacAddresses, std::optional<QString> advertisedName);

    void writeJson(WireJsonWriter &writer) const;
    static SendPingCommand fromJson(const QJsonValue &json);
    bool operator==(const SendPingCommand &) const = default;
};

struct SendPingResponseCommand
{
    static QString envelopeType() { return QStringLiteral("ping_response"); }

    QUuid recipientMacId;
    QStringList ownedDeviceMacAddresses;
    std::optional<QString> advertisedName;

    SendPingResponseCommand() = default;
    SendPingResponseCommand(QUuid recipientMacId, QStringList ownedDeviceMacAddresses,
                            std::optional<QString> advertisedName);

    void writeJson(WireJsonWriter &writer) const;
    static SendPingResponseCommand fromJson(const QJsonValue &json);
    bool operator==(const SendPingResponseCommand &) const = default;
};

struct SendTransferCommand
{
    static QString envelopeType() { return QStringLiteral("transfer_to_requester"); }

    QUuid recipientMacId;
    QString transactionId;

    SendTransferCommand() = default;
    SendTransferCommand(QUuid recipientMacId, const QString &transactionId);

    void writeJson(WireJsonWriter &writer) const;
    static SendTransferCommand fromJson(const QJsonValue &json);
    bool operator==(const SendTransferCommand &) const = default;
};

struct DevicesReadyForPairingCommand
{
    static QString envelopeType() { return QStringLiteral("devices_ready_for_pairing"); }

    QUuid recipientMacId;
    QString transactionId;
    QList<TransferDeviceDescriptor> deviceDescriptors;

    DevicesReadyForPairingCommand() = default;
    DevicesReadyForPairingCommand(QUuid recipientMacId, const QString &transactionId,
                                  QList<TransferDeviceDescriptor> deviceDescriptors);

    // The descriptors' addresses in order, duplicates kept.
    QStringList deviceMacAddresses() const;

    void writeJson(WireJsonWriter &writer) const;
    static DevicesReadyForPairingCommand fromJson(const QJsonValue &json);
    bool operator==(const DevicesReadyForPairingCommand &) const = default;
};

struct SendConnectionRequestCommand
{
    static QString envelopeType() { return QStringLiteral("connection_request"); }

    QUuid recipientMacId;
    QString securityCode;

    SendConnectionRequestCommand() = default;
    SendConnectionRequestCommand(QUuid recipientMacId, QString securityCode);

    void writeJson(WireJsonWriter &writer) const;
    static SendConnectionRequestCommand fromJson(const QJsonValue &json);
    bool operator==(const SendConnectionRequestCommand &) const = default;
};

struct AcceptConnectionRequestCommand
{
    static QString envelopeType() { return QStringLiteral("connection_request_accepted"); }

    QUuid recipientMacId;

    AcceptConnectionRequestCommand() = default;
    explicit AcceptConnectionRequestCommand(QUuid recipientMacId);

    void writeJson(WireJsonWriter &writer) const;
    static AcceptConnectionRequestCommand fromJson(const QJsonValue &json);
    bool operator==(const AcceptConnectionRequestCommand &) const = default;
};

struct RejectConnectionRequestCommand
{
    static QString envelopeType() { return QStringLiteral("connection_request_rejected"); }

    QUuid recipientMacId;

    RejectConnectionRequestCommand() = default;
    explicit RejectConnectionRequestCommand(QUuid recipientMacId);

    void writeJson(WireJsonWriter &writer) const;
    static RejectConnectionRequestCommand fromJson(const QJsonValue &json);
    bool operator==(const RejectConnectionRequestCommand &) const = default;
};

struct PingRequestReceivedEvent
{
    static QString envelopeType() { return SendPingCommand::envelopeType(); }

    QUuid senderMacId;
    QStringList deviceMacAddresses;
    std::optional<QString> advertisedName;

    PingRequestReceivedEvent() = default;
    PingRequestReceivedEvent(QUuid senderMacId, QStringList deviceMacAddresses, std::optional<QString> advertisedName);

    void writeJson(WireJsonWriter &writer) const;
    static PingRequestReceivedEvent fromJson(const QJsonValue &json);
    bool operator==(const PingRequestReceivedEvent &) const = default;
};

struct PingResponseReceivedEvent
{
    static QString envelopeType() { return SendPingResponseCommand::envelopeType(); }

    QUuid senderMacId;
    QStringList deviceMacAddresses;
    std::optional<QString> advertisedName;

    PingResponseReceivedEvent() = default;
    PingResponseReceivedEvent(QUuid senderMacId, QStringList deviceMacAddresses, std::optional<QString> advertisedName);

    void writeJson(WireJsonWriter &writer) const;
    static PingResponseReceivedEvent fromJson(const QJsonValue &json);
    bool operator==(const PingResponseReceivedEvent &) const = default;
};

struct TransferRequestReceivedEvent
{
    static QString envelopeType() { return SendTransferCommand::envelopeType(); }

    QUuid senderMacId;
    QString transactionId;

    TransferRequestReceivedEvent() = default;
    TransferRequestReceivedEvent(QUuid senderMacId, const QString &transactionId);

    void writeJson(WireJsonWriter &writer) const;
    static TransferRequestReceivedEvent fromJson(const QJsonValue &json);
    bool operator==(const TransferRequestReceivedEvent &) const = default;
};

struct DevicesReadyForPairingReceivedEvent
{
    static QString envelopeType() { return DevicesReadyForPairingCommand::envelopeType(); }

    QUuid senderMacId;
    QString transactionId;
    QList<TransferDeviceDescriptor> deviceDescriptors;

    DevicesReadyForPairingReceivedEvent() = default;
    DevicesReadyForPairingReceivedEvent(QUuid senderMacId, const QString &transactionId,
                                        QList<TransferDeviceDescriptor> deviceDescriptors);

    QStringList deviceMacAddresses() const;

    void writeJson(WireJsonWriter &writer) const;
    static DevicesReadyForPairingReceivedEvent fromJson(const QJsonValue &json);
    bool operator==(const DevicesReadyForPairingReceivedEvent &) const = default;
};

struct ConnectionRequestReceivedEvent
{
    static QString envelopeType() { return SendConnectionRequestCommand::envelopeType(); }

    QUuid senderMacId;
    QString securityCode;

    ConnectionRequestReceivedEvent() = default;
    ConnectionRequestReceivedEvent(QUuid senderMacId, QString securityCode);

    void writeJson(WireJsonWriter &writer) const;
    static ConnectionRequestReceivedEvent fromJson(const QJsonValue &json);
    bool operator==(const ConnectionRequestReceivedEvent &) const = default;
};

struct ConnectionRequestAcceptedEvent
{
    static QString envelopeType() { return AcceptConnectionRequestCommand::envelopeType(); }

    QUuid senderMacId;

    ConnectionRequestAcceptedEvent() = default;
    explicit ConnectionRequestAcceptedEvent(QUuid senderMacId);

    void writeJson(WireJsonWriter &writer) const;
    static ConnectionRequestAcceptedEvent fromJson(const QJsonValue &json);
    bool operator==(const ConnectionRequestAcceptedEvent &) const = default;
};

struct ConnectionRequestRejectedEvent
{
    static QString envelopeType() { return RejectConnectionRequestCommand::envelopeType(); }

    QUuid senderMacId;

    ConnectionRequestRejectedEvent() = default;
    explicit ConnectionRequestRejectedEvent(QUuid senderMacId);

    void writeJson(WireJsonWriter &writer) const;
    static ConnectionRequestRejectedEvent fromJson(const QJsonValue &json);
    bool operator==(const ConnectionRequestRejectedEvent &) const = default;
};

} // namespace verandel
