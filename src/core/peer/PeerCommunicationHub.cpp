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

void PeerCommunicationHub::logEvent(const QString &eventName, const Metadata &metadata)
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

void PeerCommunicationHub::send(SendPingCommand command)
{
    deliver([this, command = std::move(command)] {
        if (m_logger->isEnabled(LogLevel::Debug)) {
            logEvent(QStringLiteral("PingRequest"),
                     {{kRecipientMacId, idText(command.recipientMacId)},
                      {QStringLiteral("ownedDeviceMacAddresses"), joined(command.ownedDeviceMacAddresses)}});
        }
        Q_EMIT pingRequests(command);
    });
}

void PeerCommunicationHub::send(SendPingResponseCommand command)
{
    deliver([this, command = std::move(command)] {
        if (m_logger->isEnabled(LogLevel::Debug)) {
            logEvent(QStringLiteral("SendPingResponseCommand"),
                     {{kRecipientMacId, idText(command.recipientMacId)},
                      {QStringLiteral("ownedDeviceMacAddresses"), joined(command.ownedDeviceMacAddresses)}});
        }
        Q_EMIT pingResponses(command);
    });
}

void PeerCommunicationHub::send(SendTransferCommand command)
{
    deliver([this, command = std::move(command)] {
        if (m_logger->isEnabled(LogLevel::Debug)) {
            logEvent(QStringLiteral("SendTransferCommand"), {{kRecipientMacId, idText(command.recipientMacId)}});
        }
        Q_EMIT transferRequests(command);
    });
}

QCoro::Task<bool> PeerCommunicationHub::send(DevicesReadyForPairingCommand command)
{
    const OneShot<bool> delivered;
    // Only the queued delivery holds the report: it dies unreported, answering false, when no
    // subscriber keeps it or the hub goes first.
    deliver([this, command = std::move(command), report = DeliveryReport(delivered)] {
        if (m_logger->isEnabled(LogLevel::Debug)) {
            logEvent(QStringLiteral("DevicesReadyForPairingCommand"),
                     {{kRecipientMacId, idText(command.recipientMacId)},
                      {QStringLiteral("deviceMacAddresses"), joined(command.deviceMacAddresses())}});
        }
        Q_EMIT devicesReadyCommands(command, report);
    });
    const bool result = co_await delivered;
    co_return result;
}

void PeerCommunicationHub::send(SendConnectionRequestCommand command)
{
    deliver([this, command = std::move(command)] {
        if (m_logger->isEnabled(LogLevel::Debug)) {
            logEvent(QStringLiteral("SendConnectionRequestCommand"),
                     {{kRecipientMacId, idText(command.recipientMacId)},
                      {QStringLiteral("securityCode"), command.securityCode}});
        }
        Q_EMIT connectionRequestCommands(command);
    });
}

void PeerCommunicationHub::send(AcceptConnectionRequestCommand command)
{
    deliver([this, command = std::move(command)] {
        if (m_logger->isEnabled(LogLevel::Debug)) {
            logEvent(QStringLiteral("AcceptConnectionRequestCommand"),
                     {{kRecipientMacId, idText(command.recipientMacId)}});
        }
        Q_EMIT acceptConnectionCommands(command);
    });
}

void PeerCommunicationHub::send(RejectConnectionRequestCommand command)
{
    deliver([this, command = std::move(command)] {
        if (m_logger->isEnabled(LogLevel::Debug)) {
            logEvent(QStringLiteral("RejectConnectionRequestCommand"),
                     {{kRecipientMacId, idText(command.recipientMacId)}});
        }
        Q_EMIT rejectConnectionCommands(command);
    });
}

void PeerCommunicationHub::send(PingRequestReceivedEvent event)
{
    deliver([this, event = std::move(event)] {
        if (m_logger->isEnabled(LogLevel::Debug)) {
            logEvent(QStringLiteral("PingRequestReceivedEvent"),
                     {{kSenderMacId, idText(event.senderMacId)},
                      {QStringLiteral("deviceMacAddresses"), joined(event.deviceMacAddresses)}});
        }
        Q_EMIT receivedPingRequests(event);
    });
}

void PeerCommunicationHub::send(PingResponseReceivedEvent event)
{
    deliver([this, event = std::move(event)] {
        if (m_logger->isEnabled(LogLevel::Debug)) {
            logEvent(QStringLiteral("PingResponseReceivedEvent"),
                     {{kSenderMacId, idText(event.senderMacId)},
                      {QStringLiteral("deviceMacAddresses"), joined(event.deviceMacAddresses)}});
        }
        Q_EMIT receivedPingResponses(event);
    });
}

void PeerCommunicationHub::send(TransferRequestReceivedEvent event)
{
    deliver([this, event = std::move(event)] {
        if (m_logger->isEnabled(LogLevel::Debug)) {
            logEvent(QStringLiteral("TransferRequestReceivedEvent"), {{kSenderMacId, idText(event.senderMacId)}});
        }
        Q_EMIT receivedTransferRequests(event);
    });
}

void PeerCommunicationHub::send(DevicesReadyForPairingReceivedEvent event)
{
    deliver([this, event = std::move(event)] {
        if (m_logger->isEnabled(LogLevel::Debug)) {
            logEvent(QStringLiteral("DevicesReadyForPairingReceivedEvent"),
                     {{kSenderMacId, idText(event.senderMacId)},
                      {QStringLiteral("deviceMacAddresses"), joined(event.deviceMacAddresses())}});
        }
        Q_EMIT receivedDevicesReadyEvents(event);
    });
}

void PeerCommunicationHub::send(ConnectionRequestReceivedEvent event)
{
    deliver([this, event = std::move(event)] {
        if (m_logger->isEnabled(LogLevel::Debug)) {
            logEvent(QStringLiteral("ConnectionRequestReceivedEvent"),
                     {{kSenderMacId, idText(event.senderMacId)}, {QStringLiteral("securityCode"), event.securityCode}});
        }
        Q_EMIT receivedConnectionRequests(event);
    });
}

void PeerCommunicationHub::send(ConnectionRequestAcceptedEvent event)
{
    deliver([this, event = std::move(event)] {
        if (m_logger->isEnabled(LogLevel::Debug)) {
            logEvent(QStringLiteral("ConnectionRequestAcceptedEvent"), {{kSenderMacId, idText(event.senderMacId)}});
        }
        Q_EMIT receivedConnectionAccepted(event);
    });
}

void PeerCommunicationHub::send(ConnectionRequestRejectedEvent event)
{
    deliver([this, event = std::move(event)] {
        if (m_logger->isEnabled(LogLevel::Debug)) {
            logEvent(QStringLiteral("ConnectionRequestRejectedEvent"), {{kSenderMacId, idText(event.senderMacId)}});
        }
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
