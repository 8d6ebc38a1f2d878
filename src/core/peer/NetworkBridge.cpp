#include "peer/NetworkBridge.h"

#include "foundation/LogText.h"
#include "peer/wire/EventEnvelopeCodec.h"
#include "peer/wire/PeerMessageSanitizer.h"

#include <algorithm>

namespace verandel {

struct NetworkBridge::SendPath
{
    // How the command is named in log lines ("ping request").
    QString noun;
    // The test signal given after every attempt.
    QString sentSignal;
};

namespace {

bool isLinkHandshake(const QString &type)
{
    return type == SendConnectionRequestCommand::envelopeType()
        || type == AcceptConnectionRequestCommand::envelopeType()
        || type == RejectConnectionRequestCommand::envelopeType();
}

PingRequestReceivedEvent makeEvent(const QUuid &sender, SendPingCommand command)
{
    return PingRequestReceivedEvent(sender, std::move(command.ownedDeviceMacAddresses),
                                    std::move(command.advertisedName));
}

PingResponseReceivedEvent makeEvent(const QUuid &sender, SendPingResponseCommand command)
{
    return PingResponseReceivedEvent(sender, std::move(command.ownedDeviceMacAddresses),
                                     std::move(command.advertisedName));
}

TransferRequestReceivedEvent makeEvent(const QUuid &sender, const SendTransferCommand &command)
{
    return TransferRequestReceivedEvent(sender, command.transactionId);
}

DevicesReadyForPairingReceivedEvent makeEvent(const QUuid &sender, DevicesReadyForPairingCommand command)
{
    return DevicesReadyForPairingReceivedEvent(sender, command.transactionId, std::move(command.deviceDescriptors));
}

ConnectionRequestReceivedEvent makeEvent(const QUuid &sender, SendConnectionRequestCommand command)
{
    return ConnectionRequestReceivedEvent(sender, std::move(command.securityCode));
}

ConnectionRequestAcceptedEvent makeEvent(const QUuid &sender, const AcceptConnectionRequestCommand &)
{
    return ConnectionRequestAcceptedEvent(sender);
}

ConnectionRequestRejectedEvent makeEvent(const QUuid &sender, const RejectConnectionRequestCommand &)
{
    return ConnectionRequestRejectedEvent(sender);
}

} // namespace

NetworkBridge::NetworkBridge(std::shared_ptr<PeerCommunicationHub> eventHub, FrameSenderPtr sender,
                             std::shared_ptr<FrameListenerProtocol> listener,
                             std::shared_ptr<PeerDirectoryServiceProtocol> directory,
                             std::shared_ptr<MacIdentifierServiceProtocol> macIdentifier, Configuration configuration,
                             const LoggerFactoryPtr &loggerFactory, ClockPtr clock, TestCoordinatorPtr testCoordinator)
    : m_eventHub(std::move(eventHub))
    , m_sender(std::move(sender))
    , m_listener(std::move(listener))
    , m_directory(std::move(directory))
    , m_macIdentifier(std::move(macIdentifier))
    , m_configuration(configuration)
    , m_logger(loggerFactory->createLogger(QStringLiteral("NetworkBridge")))
    , m_clock(std::move(clock))
    , m_testCoordinator(std::move(testCoordinator))
{
    // Only where a linked, discovered computer is: a record that is merely discovered may be forged.
    m_listener->setTrustedAddressPredicate(
        [directory = std::weak_ptr<PeerDirectoryServiceProtocol>(m_directory)](const QHostAddress &address) {
            const auto held = directory.lock();
            return held && isLinkedAddress(*held, address);
        });
}

NetworkBridge::~NetworkBridge()
{
    m_listener->setTrustedAddressPredicate(nullptr);
    for (const QMetaObject::Connection &subscription : std::as_const(m_subscriptions)) {
        disconnect(subscription);
    }
}

bool NetworkBridge::isLinkedAddress(const PeerDirectoryServiceProtocol &directory, const QHostAddress &address)
{
    const QList<QUuid> peers = directory.eligiblePeers();
    return std::any_of(peers.cbegin(), peers.cend(), [&](const QUuid &macId) {
        const std::optional<DiscoverableMac> record = directory.discoverableMac(macId);
        return record && record->endpoint() && record->endpoint()->hasAddress(address);
    });
}

void NetworkBridge::start()
{
    if (m_running) {
        m_logger->warning(QStringLiteral("NetworkBridge.start() called but already running"));
        return;
    }
    m_running = true;
    m_logger->info(QStringLiteral("NetworkBridge starting"));

    static const SendPath pingRequest{QStringLiteral("ping request"), QStringLiteral("pingRequestSent")};
    static const SendPath pingResponse{QStringLiteral("ping response"), QStringLiteral("pingResponseSent")};
    static const SendPath transferRequest{QStringLiteral("transfer request"), QStringLiteral("transferRequestSent")};
    static const SendPath connectionRequest{QStringLiteral("connection request"),
                                            QStringLiteral("connectionRequestSent")};
    static const SendPath acceptConnection{QStringLiteral("accept connection request"),
                                           QStringLiteral("acceptConnectionSent")};
    static const SendPath rejectConnection{QStringLiteral("reject connection request"),
                                           QStringLiteral("rejectConnectionSent")};
    static const SendPath devicesReady{QStringLiteral("devices ready for pairing"), QStringLiteral("devicesReadySent")};

    subscribe<SendPingCommand>(&PeerCommunicationHub::pingRequests, pingRequest);
    subscribe<SendPingResponseCommand>(&PeerCommunicationHub::pingResponses, pingResponse);
    subscribe<SendTransferCommand>(&PeerCommunicationHub::transferRequests, transferRequest);
    subscribe<SendConnectionRequestCommand>(&PeerCommunicationHub::connectionRequestCommands, connectionRequest);
    m_subscriptions.append(
        connect(m_eventHub.get(), &PeerCommunicationHub::connectionRequestCommands, this,
                [this](const SendConnectionRequestCommand &command) { rememberLinkRequest(command.recipientMacId); }));
    subscribe<AcceptConnectionRequestCommand>(&PeerCommunicationHub::acceptConnectionCommands, acceptConnection);
    subscribe<RejectConnectionRequestCommand>(&PeerCommunicationHub::rejectConnectionCommands, rejectConnection);
    subscribe<DevicesReadyForPairingCommand>(&PeerCommunicationHub::devicesReadyCommands, devicesReady);
    m_subscriptions.append(connect(m_listener.get(), &FrameListenerProtocol::receivedFrames, this,
                                   &NetworkBridge::demultiplexReceivedFrame));
    signalTest(QStringLiteral("subscriptionsReady"));
}

void NetworkBridge::stop()
{
    if (!m_running) {
        m_logger->warning(QStringLiteral("NetworkBridge.stop() called but not running"));
        return;
    }
    m_running = false;
    m_logger->info(QStringLiteral("NetworkBridge stopping"));
    for (const QMetaObject::Connection &subscription : std::as_const(m_subscriptions)) {
        disconnect(subscription);
    }
    m_subscriptions.clear();
}

QVariantMap NetworkBridge::diagnosticInfo() const
{
    return {
        {QStringLiteral("running"), m_running},
        {QStringLiteral("requestTimeout"), m_configuration.requestTimeout},
        {QStringLiteral("activeSubscriptions"), static_cast<int>(m_subscriptions.size())},
        {QStringLiteral("eligiblePeersCount"), static_cast<int>(m_directory->eligiblePeers().size())},
    };
}

template <typename Command, typename Signal>
void NetworkBridge::subscribe(Signal signal, const SendPath &path)
{
    // Fire and forget: network delays never hold up the hub.
    if constexpr (std::is_same_v<Command, DevicesReadyForPairingCommand> || std::is_same_v<Command, SendPingCommand>) {
        m_subscriptions.append(connect(m_eventHub.get(), signal, this,
                                       [this, &path](const Command &command, const DeliveryReport &report) {
                                           sendAndReport(this, command, path, report);
                                       }));
    } else {
        m_subscriptions.append(connect(m_eventHub.get(), signal, this, [this, &path](const Command &command) {
            sendCommand<Command>(this, command, path);
        }));
    }
}

template <typename Command>
QCoro::Task<> NetworkBridge::sendAndReport(QPointer<NetworkBridge> self, Command command, const SendPath &path,
                                           DeliveryReport report)
{
    QCoro::Task<bool> sending = sendCommand<Command>(self, std::move(command), path);
    const bool sent = co_await std::move(sending);
    report.report(sent);
}

template <typename Command>
QCoro::Task<bool> NetworkBridge::sendCommand(QPointer<NetworkBridge> self, Command command, const SendPath &path)
{
    const LoggerPtr logger = self->m_logger;
    const TestCoordinatorPtr testCoordinator = self->m_testCoordinator;
    // Log text is made only for a line that is written.
    const auto recipient = [id = command.recipientMacId] { return idText(id); };
    const auto envelope = EventEnvelopeCodec::createEnvelope(self->m_macIdentifier->currentMacId(), command,
                                                             std::nullopt, self->m_clock->now());
    const std::optional<DiscoverableMac> record = self->m_directory->discoverableMac(command.recipientMacId);
    const EnvelopeResult<RawEventEnvelope> raw = EventEnvelopeCodec::toRawEnvelope(envelope);
    bool sent = false;
    if (!record) {
        logger->warning(QStringLiteral("Cannot send %1: Mac %2 not found").arg(path.noun, recipient()));
        if constexpr (std::is_same_v<Command, SendPingCommand>) {
            logger->error(QStringLiteral("Failed to find discoverable Mac for ID %1").arg(recipient()));
        }
    } else if (!raw) {
        logger->error(
            QStringLiteral("Failed to encode envelope %1: %2").arg(idText(envelope.id), raw.error().description()));
    } else {
        const FrameSenderPtr sender = self->m_sender;
        QCoro::Task<bool> sending = sender->send(raw.value(), *record);
        sent = co_await std::move(sending);
        if (sent) {
            logger->debug([&] { return QStringLiteral("%1 sent successfully to Mac %2").arg(path.noun, recipient()); });
        } else {
            logger->warning(QStringLiteral("Failed to send %1 to Mac %2").arg(path.noun, recipient()));
        }
    }
    if (testCoordinator) {
        testCoordinator->signal(path.sentSignal);
    }
    co_return sent;
}

void NetworkBridge::demultiplexReceivedFrame(const ReceivedFrame &frame)
{
    route(frame, HeldPings::Hold);
}

void NetworkBridge::holdPing(const ReceivedFrame &frame)
{
    const QUuid sender = frame.senderMacId();
    if (!m_heldPings.contains(sender) && m_heldPings.size() >= maxHeldPings) {
        const auto oldest = std::min_element(m_heldPings.cbegin(), m_heldPings.cend(),
                                             [](const HeldPing &a, const HeldPing &b) { return a.heldAt < b.heldAt; });
        m_heldPings.erase(oldest);
    }
    m_heldPings.insert(sender, HeldPing{frame, m_clock->now()});
}

void NetworkBridge::rememberLinkRequest(const QUuid &recipient)
{
    if (!m_askedForLinks.contains(recipient) && m_askedForLinks.size() >= maxAskedForLinks) {
        m_askedForLinks.erase(std::min_element(m_askedForLinks.begin(), m_askedForLinks.end()));
    }
    m_askedForLinks.insert(recipient, m_clock->now());
}

void NetworkBridge::releaseHeldPingLater(const QUuid &sender)
{
    if (!m_heldPings.contains(sender)) {
        return;
    }
    // Posted behind the hub's delivery of the acceptance, so the link is in place when it runs.
    QMetaObject::invokeMethod(
        this,
        [this, sender] {
            const std::optional<HeldPing> held = m_heldPings.take(sender);
            if (!held || !m_running || held->heldAt.msecsTo(m_clock->now()) > qint64(heldPingSeconds * 1000)) {
                return;
            }
            m_logger->info(QStringLiteral("Handling the ping request Mac %1 sent before its link was made here")
                               .arg(idText(sender)));
            route(held->frame, HeldPings::Drop);
        },
        Qt::QueuedConnection);
}

void NetworkBridge::route(const ReceivedFrame &frame, HeldPings held)
{
    // The listener decoded the envelope; its payload is still the sender's JSON.
    const RawEventEnvelope &envelope = frame.envelope;
    // Log text is made only for a line that is written.
    const auto type = [&envelope] { return escapeControlCharacters(envelope.type); };
    const auto sender = [&frame] { return idText(frame.senderMacId()); };

    const QUuid localMacId = m_macIdentifier->currentMacId();
    if (envelope.recipientMacId != localMacId) {
        m_logger->warning(QStringLiteral("Dropping frame addressed to Mac %1, not to this computer (%2): from %3, "
                                         "type: %4")
                              .arg(idText(envelope.recipientMacId), idText(localMacId), sender(), type()));
        return;
    }

    const bool handshake = isLinkHandshake(envelope.type);
    const bool eligible = m_directory->isEligible(frame.senderMacId());
    if (!handshake && !eligible) {
        // The computer that accepted a link pings at once, and its ping may come in ahead of its acceptance.
        const bool ping = envelope.type == SendPingCommand::envelopeType();
        if (ping && held == HeldPings::Hold && m_askedForLinks.contains(frame.senderMacId())) {
            m_logger->info(QStringLiteral("Holding the ping request Mac %1 sent before its answer to our link "
                                          "request came in")
                               .arg(sender()));
        } else {
            m_logger->warning(
                QStringLiteral("Rejecting frame from non-eligible peer: %1, type: %2").arg(sender(), type()));
        }
        if (ping && held == HeldPings::Hold) {
            holdPing(frame);
        }
        return;
    }
    if (envelope.type == AcceptConnectionRequestCommand::envelopeType()
        || envelope.type == RejectConnectionRequestCommand::envelopeType()) {
        m_askedForLinks.remove(frame.senderMacId());
    }
    if (!handshake) {
        // The sender id is only what the frame claims: it must also come from where that computer is.
        const std::optional<DiscoverableMac> record = m_directory->discoverableMac(frame.senderMacId());
        if (!record || !record->endpoint() || !record->endpoint()->hasAddress(frame.sourceAddress)) {
            m_logger->warning(QStringLiteral("Rejecting frame from Mac %1: source address %2 is not an address it "
                                             "was discovered at, type: %3")
                                  .arg(sender(), frame.sourceAddress.toString(), type()));
            return;
        }
    }

    if (envelope.type == SendPingCommand::envelopeType()) {
        deliver<SendPingCommand, PingRequestReceivedEvent>(frame, "ping request");
    } else if (envelope.type == SendPingResponseCommand::envelopeType()) {
        deliver<SendPingResponseCommand, PingResponseReceivedEvent>(frame, "ping response");
    } else if (envelope.type == SendTransferCommand::envelopeType()) {
        deliver<SendTransferCommand, TransferRequestReceivedEvent>(frame, "transfer_to_requester");
    } else if (envelope.type == DevicesReadyForPairingCommand::envelopeType()) {
        deliver<DevicesReadyForPairingCommand, DevicesReadyForPairingReceivedEvent>(frame, "devices_ready_for_pairing");
    } else if (envelope.type == SendConnectionRequestCommand::envelopeType()) {
        deliver<SendConnectionRequestCommand, ConnectionRequestReceivedEvent>(frame, "connection_request");
    } else if (envelope.type == AcceptConnectionRequestCommand::envelopeType()) {
        deliver<AcceptConnectionRequestCommand, ConnectionRequestAcceptedEvent>(frame, "connection_request_accepted");
        releaseHeldPingLater(frame.senderMacId());
    } else if (envelope.type == RejectConnectionRequestCommand::envelopeType()) {
        deliver<RejectConnectionRequestCommand, ConnectionRequestRejectedEvent>(frame, "connection_request_rejected");
    } else {
        m_logger->debug([&] { return QStringLiteral("Received frame with unknown type: %1").arg(type()); });
    }
}

template <typename Command, typename Event>
void NetworkBridge::deliver(const ReceivedFrame &frame, const char *name)
{
    const RawEventEnvelope &envelope = frame.envelope;
    EnvelopeResult<Command> decoded = EventEnvelopeCodec::decodePayload<Command>(envelope);
    if (!decoded) {
        m_logger->warning(QStringLiteral("Failed to decode %1: %2")
                              .arg(QLatin1String(name), escapeControlCharacters(decoded.error().description())));
        return;
    }
    Command command = std::move(decoded).value();
    if (const std::optional<QString> problem = PeerMessageSanitizer::sanitize(command)) {
        m_logger->warning(QStringLiteral("Dropping %1 from Mac %2: %3")
                              .arg(escapeControlCharacters(envelope.type), idText(frame.senderMacId()), *problem));
        return;
    }
    Event event = makeEvent(frame.senderMacId(), std::move(command));
    m_eventHub->send(std::move(event));
}

void NetworkBridge::signalTest(const QString &name) const
{
    if (m_testCoordinator) {
        m_testCoordinator->signal(name);
    }
}

} // namespace verandel
