#include "peer/PeerCommunicationHub.h"

#include "foundation/LogText.h"

namespace verandel {

namespace {

const QString kRecipientMacId = QStringLiteral("recipientMacId");
const QString kSenderMacId = QStringLiteral("senderMacId");

QString joined(const QStringList &values)
{
    return values.join(QStringLiteral(", "));
}

} // namespace

PeerCommunicationHub::PeerCommunicationHub(const LoggerFactoryPtr &loggerFactory, QObject *parent)
    : QObject(parent)
    , m_logger(loggerFactory->createLogger(QStringLiteral("PeerCommunicationHub")))
{ }

void PeerCommunicationHub::deliver(std::function<void()> delivery)
{
    QMetaObject::invokeMethod(this, std::move(delivery), Qt::QueuedConnection);
}

void PeerCommunicationHub::writeEvent(const QString &eventName, const Metadata &metadata)
{
    if (metadata.isEmpty()) {
        m_logger->debug(eventName);
        return;
    }
    QStringList entries;
    for (const auto &[key, value] : metadata) {
        // Addresses, names and codes may come from a peer.
        entries.append(key + QLatin1Char('=') + escapeControlCharacters(value));
    }
    m_logger->debug(eventName + QStringLiteral(" [") + entries.join(QStringLiteral(", ")) + QLatin1Char(']'));
}

template <typename Command, typename Signal, typename MakeMetadata>
QCoro::Task<bool> PeerCommunicationHub::deliverReported(Command command, Signal signal, QString eventName,
                                                        MakeMetadata makeMetadata)
{
    const OneShot<bool> delivered;
    // Only the queued delivery holds the report: it dies unreported, answering false, when no
    // subscriber keeps it or the hub goes first.
    deliver([this, command = std::move(command), signal, eventName, makeMetadata, report = DeliveryReport(delivered)] {
        logEvent(eventName, [&] { return makeMetadata(command); });
        Q_EMIT(this->*signal)(command, report);
    });
    const bool result = co_await delivered;
    co_return result;
}

QCoro::Task<bool> PeerCommunicationHub::send(SendPingCommand command)
{
    return deliverReported(std::move(command), &PeerCommunicationHub::pingRequests, QStringLiteral("PingRequest"),
                           [](const SendPingCommand &ping) {
                               return Metadata{
                                   {kRecipientMacId, idText(ping.recipientMacId)},
                                   {QStringLiteral("ownedDeviceMacAddresses"), joined(ping.ownedDeviceMacAddresses)}};
                           });
}

void PeerCommunicationHub::send(SendPingResponseCommand command)
{
    deliver([this, command = std::move(command)] {
        logEvent(QStringLiteral("SendPingResponseCommand"), [&] {
            return Metadata{{kRecipientMacId, idText(command.recipientMacId)},
                            {QStringLiteral("ownedDeviceMacAddresses"), joined(command.ownedDeviceMacAddresses)}};
        });
        Q_EMIT pingResponses(command);
    });
}

void PeerCommunicationHub::send(SendTransferCommand command)
{
    deliver([this, command = std::move(command)] {
        logEvent(QStringLiteral("SendTransferCommand"), [&] {
            return Metadata{{kRecipientMacId, idText(command.recipientMacId)}};
        });
        Q_EMIT transferRequests(command);
    });
}

QCoro::Task<bool> PeerCommunicationHub::send(DevicesReadyForPairingCommand command)
{
    return deliverReported(
        std::move(command), &PeerCommunicationHub::devicesReadyCommands,
        QStringLiteral("DevicesReadyForPairingCommand"), [](const DevicesReadyForPairingCommand &ready) {
            return Metadata{{kRecipientMacId, idText(ready.recipientMacId)},
                            {QStringLiteral("deviceMacAddresses"), joined(ready.deviceMacAddresses())}};
        });
}

void PeerCommunicationHub::send(SendConnectionRequestCommand command)
{
    deliver([this, command = std::move(command)] {
        logEvent(QStringLiteral("SendConnectionRequestCommand"), [&] {
            return Metadata{{kRecipientMacId, idText(command.recipientMacId)},
                            {QStringLiteral("securityCode"), command.securityCode}};
        });
        Q_EMIT connectionRequestCommands(command);
    });
}

void PeerCommunicationHub::send(AcceptConnectionRequestCommand command)
{
    deliver([this, command = std::move(command)] {
        logEvent(QStringLiteral("AcceptConnectionRequestCommand"), [&] {
            return Metadata{{kRecipientMacId, idText(command.recipientMacId)}};
        });
        Q_EMIT acceptConnectionCommands(command);
    });
}

void PeerCommunicationHub::send(RejectConnectionRequestCommand command)
{
    deliver([this, command = std::move(command)] {
        logEvent(QStringLiteral("RejectConnectionRequestCommand"), [&] {
            return Metadata{{kRecipientMacId, idText(command.recipientMacId)}};
        });
        Q_EMIT rejectConnectionCommands(command);
    });
}

void PeerCommunicationHub::send(PingRequestReceivedEvent event)
{
    deliver([this, event = std::move(event)] {
        logEvent(QStringLiteral("PingRequestReceivedEvent"), [&] {
            return Metadata{{kSenderMacId, idText(event.senderMacId)},
                            {QStringLiteral("deviceMacAddresses"), joined(event.deviceMacAddresses)}};
        });
        Q_EMIT receivedPingRequests(event);
    });
}

void PeerCommunicationHub::send(PingResponseReceivedEvent event)
{
    deliver([this, event = std::move(event)] {
        logEvent(QStringLiteral("PingResponseReceivedEvent"), [&] {
            return Metadata{{kSenderMacId, idText(event.senderMacId)},
                            {QStringLiteral("deviceMacAddresses"), joined(event.deviceMacAddresses)}};
        });
        Q_EMIT receivedPingResponses(event);
    });
}

void PeerCommunicationHub::send(TransferRequestReceivedEvent event)
{
    deliver([this, event = std::move(event)] {
        logEvent(QStringLiteral("TransferRequestReceivedEvent"), [&] {
            return Metadata{{kSenderMacId, idText(event.senderMacId)}};
        });
        Q_EMIT receivedTransferRequests(event);
    });
}

void PeerCommunicationHub::send(DevicesReadyForPairingReceivedEvent event)
{
    deliver([this, event = std::move(event)] {
        logEvent(QStringLiteral("DevicesReadyForPairingReceivedEvent"), [&] {
            return Metadata{{kSenderMacId, idText(event.senderMacId)},
                            {QStringLiteral("deviceMacAddresses"), joined(event.deviceMacAddresses())}};
        });
        Q_EMIT receivedDevicesReadyEvents(event);
    });
}

void PeerCommunicationHub::send(ConnectionRequestReceivedEvent event)
{
    deliver([this, event = std::move(event)] {
        logEvent(QStringLiteral("ConnectionRequestReceivedEvent"), [&] {
            return Metadata{{kSenderMacId, idText(event.senderMacId)},
                            {QStringLiteral("securityCode"), event.securityCode}};
        });
        Q_EMIT receivedConnectionRequests(event);
    });
}

void PeerCommunicationHub::send(ConnectionRequestAcceptedEvent event)
{
    deliver([this, event = std::move(event)] {
        logEvent(QStringLiteral("ConnectionRequestAcceptedEvent"), [&] {
            return Metadata{{kSenderMacId, idText(event.senderMacId)}};
        });
        Q_EMIT receivedConnectionAccepted(event);
    });
}

void PeerCommunicationHub::send(ConnectionRequestRejectedEvent event)
{
    deliver([this, event = std::move(event)] {
        logEvent(QStringLiteral("ConnectionRequestRejectedEvent"), [&] {
            return Metadata{{kSenderMacId, idText(event.senderMacId)}};
        });
        Q_EMIT receivedConnectionRejected(event);
    });
}

void PeerCommunicationHub::updateOwnershipState(OwnershipState state)
{
    m_logger->debug(QStringLiteral("OwnershipState updated with %1 device(s)").arg(state.size()));
    m_ownershipState = std::move(state);
    Q_EMIT ownershipStateChanged(m_ownershipState);
}

QVariantMap PeerCommunicationHub::diagnosticInfo() const
{
    return {{QStringLiteral("queueLabel"), QStringLiteral("com.verandel.eventhub")}};
}

} // namespace verandel
