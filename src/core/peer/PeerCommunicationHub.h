#pragma once

#include "foundation/LoggerFactory.h"
#include "peer/DeliveryReport.h"
#include "peer/wire/PeerMessages.h"

#include <QCoro/QCoroTask>

#include <QHash>
#include <QObject>
#include <QVariantMap>

#include <functional>

namespace verandel {

// The in-process broker between the services that talk to other computers and the network bridge:
// services send commands and subscribe to received events; the bridge does the opposite. send()
// returns at once; each message is logged and delivered later from the event loop, one at a time and
// in the order of the send() calls over all types. A message nobody is subscribed to is dropped.
// Ping requests and devices-ready commands report back: handing devices over must know whether the
// other computer got the list, and whether it can still be reached while it pairs them.
class PeerCommunicationHub final : public QObject
{
    Q_OBJECT

public:
    explicit PeerCommunicationHub(const LoggerFactoryPtr &loggerFactory, QObject *parent = nullptr);

    // True only when the network bridge's frame sender delivered the frame; false when no bridge runs,
    // the recipient is not discovered or the send fails. Awaiting it is optional.
    QCoro::Task<bool> send(SendPingCommand command);
    void send(SendPingResponseCommand command);
    void send(SendTransferCommand command);
    // Reports as a ping request does.
    QCoro::Task<bool> send(DevicesReadyForPairingCommand command);
    void send(SendConnectionRequestCommand command);
    void send(AcceptConnectionRequestCommand command);
    void send(RejectConnectionRequestCommand command);
    void send(PingRequestReceivedEvent event);
    void send(PingResponseReceivedEvent event);
    void send(TransferRequestReceivedEvent event);
    void send(DevicesReadyForPairingReceivedEvent event);
    void send(ConnectionRequestReceivedEvent event);
    void send(ConnectionRequestAcceptedEvent event);
    void send(ConnectionRequestRejectedEvent event);

    // Device MAC address -> owning computer's id.
    using OwnershipState = QHash<QString, QUuid>;
    OwnershipState currentOwnershipState() const { return m_ownershipState; }
    void updateOwnershipState(OwnershipState state);

    // One entry, "queueLabel".
    QVariantMap diagnosticInfo() const;

Q_SIGNALS:
    // The subscriber that sends the command reports the outcome.
    void pingRequests(const verandel::SendPingCommand &command, const verandel::DeliveryReport &report);
    void pingResponses(const verandel::SendPingResponseCommand &command);
    void transferRequests(const verandel::SendTransferCommand &command);
    // The subscriber that sends the command reports the outcome.
    void devicesReadyCommands(const verandel::DevicesReadyForPairingCommand &command,
                              const verandel::DeliveryReport &report);
    void connectionRequestCommands(const verandel::SendConnectionRequestCommand &command);
    void acceptConnectionCommands(const verandel::AcceptConnectionRequestCommand &command);
    void rejectConnectionCommands(const verandel::RejectConnectionRequestCommand &command);
    void receivedPingRequests(const verandel::PingRequestReceivedEvent &event);
    void receivedPingResponses(const verandel::PingResponseReceivedEvent &event);
    void receivedTransferRequests(const verandel::TransferRequestReceivedEvent &event);
    void receivedDevicesReadyEvents(const verandel::DevicesReadyForPairingReceivedEvent &event);
    void receivedConnectionRequests(const verandel::ConnectionRequestReceivedEvent &event);
    void receivedConnectionAccepted(const verandel::ConnectionRequestAcceptedEvent &event);
    void receivedConnectionRejected(const verandel::ConnectionRequestRejectedEvent &event);
    void ownershipStateChanged(const verandel::PeerCommunicationHub::OwnershipState &state);

private:
    using Metadata = QList<std::pair<QString, QString>>;

    void deliver(std::function<void()> delivery);
    // Emits the command with a report from the event loop and answers what the subscriber reported.
    template <typename Command, typename Signal, typename MakeMetadata>
    QCoro::Task<bool> deliverReported(Command command, Signal signal, QString eventName, MakeMetadata makeMetadata);
    // Every ping passes here: the line, metadata and all, is made only when debug lines are kept.
    template <typename MakeMetadata>
    void logEvent(const QString &eventName, MakeMetadata &&makeMetadata)
    {
        if (m_logger->isEnabled(LogLevel::Debug)) {
            writeEvent(eventName, makeMetadata());
        }
    }
    void writeEvent(const QString &eventName, const Metadata &metadata);

    LoggerPtr m_logger;
    OwnershipState m_ownershipState;
};

} // namespace verandel
