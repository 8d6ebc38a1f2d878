#include "peer/tcp/EphemeralFrameListener.h"

#include "foundation/LogText.h"
#include "peer/dnssd/DiscoverableMacTxt.h"
#include "peer/wire/EventEnvelopeCodec.h"
#include "peer/wire/FrameReader.h"

#include <QStringDecoder>

#include <poll.h>

#include <algorithm>
#include <vector>

namespace verandel {

namespace {

constexpr int kListenBacklog = 1024;

QString endpointText(const QTcpSocket &socket)
{
    return PeerEndpoint::hostPort(socket.peerAddress().toString(), socket.peerPort()).description();
}

bool isUtf8(const QByteArray &bytes)
{
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    (void)decoder.decode(bytes);
    return !decoder.hasError();
}

} // namespace

EphemeralFrameListener::EphemeralFrameListener(const LoggerFactoryPtr &loggerFactory, ClockPtr clock,
                                               std::shared_ptr<ServiceAdvertiserProtocol> advertiser,
                                               TestCoordinatorPtr testCoordinator, QHostAddress listenAddress,
                                               InboundConnectionLimits limits)
    : m_logger(loggerFactory->createLogger(QStringLiteral("EphemeralFrameListener")))
    , m_clock(std::move(clock))
    , m_advertiser(std::move(advertiser))
    , m_testCoordinator(std::move(testCoordinator))
    , m_listenAddress(std::move(listenAddress))
    , m_limits(limits)
{
    if (m_advertiser) {
        connect(m_advertiser.get(), &ServiceAdvertiserProtocol::advertised, this, [this](const QString &name) {
            m_logger->info(QStringLiteral("Frame listener advertised as %1").arg(escapeControlCharacters(name)));
        });
        connect(m_advertiser.get(), &ServiceAdvertiserProtocol::advertisingFailed, this,
                [this](const TransportError &error) {
                    m_logger->error(QStringLiteral("Failed to advertise frame listener: %1").arg(error.description()));
                });
    }
}

EphemeralFrameListener::~EphemeralFrameListener()
{
    for (const QUuid &id : m_connections.keys()) {
        cleanupConnection(id, QStringLiteral("listener released"));
    }
}

qsizetype EphemeralFrameListener::maxBufferSize()
{
    return EventEnvelopeCodec::MAX_FRAME_SIZE + 4;
}

quint16 EphemeralFrameListener::port() const
{
    return m_running && m_server ? m_server->serverPort() : 0;
}

QList<qintptr> EphemeralFrameListener::connectionDescriptors() const
{
    QList<qintptr> descriptors;
    for (const Connection &connection : m_connections) {
        if (connection.socket) {
            descriptors.append(connection.socket->socketDescriptor());
        }
    }
    return descriptors;
}

void EphemeralFrameListener::start(const DiscoverableMac &advertisedMac)
{
    if (m_running) {
        m_logger->debug(QStringLiteral("EphemeralFrameListener.start() called but already running"));
        return;
    }
    m_logger->info(QStringLiteral("Starting frame listener for Mac %1").arg(idText(advertisedMac.id())));
    auto server = std::make_unique<QTcpServer>();
    // A queue deep enough that a burst of connections from a flooding host does not make the kernel drop
    // a linked computer's handshake (its retry would come a second later); the flood itself is cut here.
    server->setListenBacklogSize(kListenBacklog);
    const QHostAddress address = m_fixedLoopbackPort ? QHostAddress(QHostAddress::LocalHost) : m_listenAddress;
    if (!server->listen(address, m_fixedLoopbackPort.value_or(0))) {
        m_logger->error(QStringLiteral("Failed to start frame listener: %1").arg(server->errorString()));
        m_server.reset();
        return;
    }
    connect(server.get(), &QTcpServer::newConnection, this, &EphemeralFrameListener::handleNewConnections);
    connect(server.get(), &QTcpServer::acceptError, this, [this](QAbstractSocket::SocketError) {
        m_logger->error(QStringLiteral("Frame listener failed: %1").arg(m_server->errorString()));
        m_running = false;
    });
    m_server = std::move(server);
    m_running = true;
    updateListenerService(advertisedMac);
    m_logger->debug(QStringLiteral("Frame listener listening on %1 port %2")
                        .arg(m_server->serverAddress().toString(), QString::number(m_server->serverPort())));
    m_logger->info(QStringLiteral("Frame listener ready"));
    signalTest(QStringLiteral("listenerReady"));
}

void EphemeralFrameListener::alterAdvertisedMac(const DiscoverableMac &newAdvertisedMac)
{
    if (!m_running) {
        m_logger->debug(QStringLiteral("EphemeralFrameListener.alterAdvertisedMac() called but not running"));
        return;
    }
    m_logger->info(QStringLiteral("Altering advertised Mac to %1").arg(idText(newAdvertisedMac.id())));
    updateListenerService(newAdvertisedMac);
}

void EphemeralFrameListener::stop()
{
    if (!m_running) {
        m_logger->debug(QStringLiteral("EphemeralFrameListener.stop() called but not running"));
        return;
    }
    m_logger->info(QStringLiteral("Stopping frame listener"));
    for (const QUuid &id : m_connections.keys()) {
        cleanupConnection(id, QStringLiteral("cancelled"));
    }
    m_server.reset();
    if (m_advertiser) {
        m_advertiser->withdraw();
    }
    m_running = false;
    m_logger->debug(QStringLiteral("Frame listener cancelled"));
    signalTest(QStringLiteral("listenerStopped"));
}

void EphemeralFrameListener::updateListenerService(const DiscoverableMac &mac)
{
    if (!m_server) {
        m_logger->warning(QStringLiteral("updateListenerService() called but nwListener is nil"));
        return;
    }
    if (!m_advertiser) {
        return;
    }
    const TxtRecord record = DiscoverableMacTxt::txtRecordData(mac);
    TxtRecord txt;
    for (const TxtRecord::Entry &entry : record.entries()) {
        if (entry.value && isUtf8(*entry.value)) {
            txt.set(entry.key, *entry.value);
        }
    }
    m_advertiser->advertise(
        ServiceAdvertisement{mac.name(), DiscoverableMacTxt::serviceType(), m_server->serverPort(), txt});
}

void EphemeralFrameListener::handleNewConnections()
{
    while (m_server && m_server->hasPendingConnections()) {
        QTcpSocket *socket = m_server->nextPendingConnection();
        if (!socket) {
            break;
        }
        socket->setParent(nullptr);
        const QHostAddress source = PeerEndpoint::normalizedAddress(socket->peerAddress());
        const QString endpoint = endpointText(*socket);
        const bool trusted = m_isTrustedAddress && m_isTrustedAddress(source);
        const bool room = makeRoom(source, trusted, endpoint);
        // Frames handled while making room reach their subscribers, and one of them may stop the listener.
        if (!room || !m_server) {
            socket->abort();
            socket->deleteLater();
            continue;
        }
        const QUuid id = QUuid::createUuid();
        Connection connection;
        connection.socket = socket;
        connection.sourceAddress = socket->peerAddress();
        connection.source = source;
        connection.endpoint = endpoint;
        connection.sequence = ++m_acceptedCount;
        connection.trusted = trusted;
        connection.deadline = std::make_shared<std::stop_source>();
        m_connections.insert(id, connection);
        m_logger->debug([&] {
            return QStringLiteral("Accepted new connection: %1, endpoint: %2%3")
                .arg(idText(id), connection.endpoint, trusted ? QStringLiteral(" (linked computer)") : QString());
        });
        signalTest(QStringLiteral("connectionAccepted"));

        // Qt buffers no more than one frame ahead of us.
        socket->setReadBufferSize(maxBufferSize() + 1);
        connect(socket, &QIODevice::readyRead, this, [this, id] { readAvailable(id); });
        connect(socket, &QAbstractSocket::errorOccurred, this, [this, id] { handleSocketError(id); });
        connect(socket, &QAbstractSocket::disconnected, this, [this, id] { handleEndOfStream(id); });
        enforceDeadlines(this, id, m_clock, m_limits, connection.deadline);
        signalTest(QStringLiteral("connectionReady"));
        readAvailable(id);
    }
}

bool EphemeralFrameListener::makeRoom(const QHostAddress &source, bool trusted, const QString &endpoint)
{
    const ConnectionFilter fromSource = [&source](const Connection &connection) { return connection.source == source; };
    const ConnectionFilter isStranger = [](const Connection &connection) { return !connection.trusted; };
    const ConnectionFilter any = [](const Connection &) { return true; };
    // Each cap is counted anew: room made at one may already be room at the next.
    makeRoomAmong(fromSource, fromSource, m_limits.maxConnectionsPerSource,
                  QStringLiteral("open from %1").arg(source.toString()), endpoint);
    if (!trusted) {
        makeRoomAmong(isStranger, isStranger, m_limits.maxStrangerConnections,
                      QStringLiteral("open from computers that are not linked"), endpoint);
    }
    if (!makeRoomAmong(any, isStranger, m_limits.maxConnections, QStringLiteral("open in all"), endpoint)) {
        m_logger->warning(QStringLiteral("Refusing connection from %1: %2 inbound connections already open")
                              .arg(endpoint, QString::number(m_connections.size())));
        return false;
    }
    return true;
}

qsizetype EphemeralFrameListener::countOpen(const ConnectionFilter &matches) const
{
    return std::count_if(m_connections.cbegin(), m_connections.cend(), matches);
}

bool EphemeralFrameListener::makeRoomAmong(const ConnectionFilter &counted, const ConnectionFilter &closable,
                                           qsizetype limit, const QString &cap, const QString &newEndpoint)
{
    if (countOpen(counted) < limit) {
        return true;
    }
    finishArrivedFrames(counted);
    const qsizetype open = countOpen(counted);
    if (open < limit) {
        return true;
    }
    std::optional<QUuid> oldest;
    quint64 oldestSequence = 0;
    for (auto it = m_connections.cbegin(); it != m_connections.cend(); ++it) {
        if (counted(*it) && closable(*it) && (!oldest || it->sequence < oldestSequence)) {
            oldest = it.key();
            oldestSequence = it->sequence;
        }
    }
    if (!oldest) {
        return false;
    }
    const Connection &closed = m_connections[*oldest];
    m_logger->debug([&] {
        return QStringLiteral("Closing connection %1 from %2 to make room for a connection from %3 (%4 %5)")
            .arg(idText(*oldest), closed.endpoint, newEndpoint, QString::number(open), cap);
    });
    noteClosedForRoom(closed.source);
    cleanupConnection(*oldest, QStringLiteral("room made for a newer connection"));
    return true;
}

void EphemeralFrameListener::finishArrivedFrames(const ConnectionFilter &matches)
{
    std::vector<QUuid> ids;
    std::vector<pollfd> descriptors;
    for (auto it = m_connections.cbegin(); it != m_connections.cend(); ++it) {
        if (matches(*it) && it->socket && it->socket->state() == QAbstractSocket::ConnectedState) {
            ids.push_back(it.key());
            descriptors.push_back(pollfd{static_cast<int>(it->socket->socketDescriptor()), POLLIN, 0});
        }
    }
    // One look at every candidate at once: only those with something to read are read.
    if (::poll(descriptors.data(), descriptors.size(), 0) <= 0) {
        return;
    }
    for (std::size_t i = 0; i < ids.size(); ++i) {
        if (descriptors[i].revents == 0) {
            continue;
        }
        // Bytes, then the end of the stream, each taken in by the socket as the event loop would, so
        // that its own signals deliver them: a stream that ended is handled there and then. The
        // socket is asked only while the system has something for it (asked with nothing to read,
        // it reports a time-out as an error).
        const QUuid &id = ids[i];
        for (int read = 0; read < 3; ++read) {
            const auto it = m_connections.constFind(id);
            if (it == m_connections.cend() || !it->socket || it->socket->state() != QAbstractSocket::ConnectedState) {
                break;
            }
            pollfd readable{static_cast<int>(it->socket->socketDescriptor()), POLLIN, 0};
            if (::poll(&readable, 1, 0) <= 0 || !it->socket->waitForReadyRead(0)) {
                break;
            }
        }
        const auto it = m_connections.constFind(id);
        if (it != m_connections.cend() && FrameReader::read(it->buffer).problem == FrameReader::Problem::None) {
            // Its whole frame is here: the end of its stream has nothing to add.
            finishConnection(id);
        }
    }
}

void EphemeralFrameListener::noteClosedForRoom(const QHostAddress &source)
{
    ++m_closedForRoom[source.toString()];
    if (!m_summaryPeriod.isPending()) {
        m_summaryPeriod.startRepeating(CLOSED_FOR_ROOM_SUMMARY_SECONDS, [this] { summarizeClosedForRoom(); });
    }
}

void EphemeralFrameListener::summarizeClosedForRoom()
{
    if (m_closedForRoom.isEmpty()) {
        // A quiet period ends the summaries until the next close.
        m_summaryPeriod.cancel();
        return;
    }
    for (auto it = m_closedForRoom.cbegin(); it != m_closedForRoom.cend(); ++it) {
        m_logger->warning(QStringLiteral("Closed %1 connections from %2 in the last %3 s to make room")
                              .arg(QString::number(it.value()), it.key(),
                                   QString::number(static_cast<int>(CLOSED_FOR_ROOM_SUMMARY_SECONDS))));
    }
    m_closedForRoom.clear();
}

QCoro::Task<> EphemeralFrameListener::enforceDeadlines(QPointer<EphemeralFrameListener> self, QUuid connectionId,
                                                       ClockPtr clock, InboundConnectionLimits limits,
                                                       std::shared_ptr<std::stop_source> stop)
{
    const bool prefixDue = co_await clock->sleepUnlessStopped(limits.prefixDeadlineSeconds, stop->get_token());
    if (!prefixDue || !self || !self->m_connections.contains(connectionId)) {
        co_return;
    }
    const std::optional<QDateTime> prefixArrivedAt = self->m_connections.value(connectionId).prefixArrivedAt;
    if (!prefixArrivedAt) {
        self->m_logger->warning(QStringLiteral("Connection %1 from %2 did not send its frame length within %3s, "
                                               "closing it")
                                    .arg(idText(connectionId), self->m_connections.value(connectionId).endpoint,
                                         formatDouble(limits.prefixDeadlineSeconds)));
        self->cleanupConnection(connectionId, QStringLiteral("length deadline exceeded"));
        co_return;
    }
    // The frame's own time runs from its length, not from this check.
    const double remaining
        = limits.frameDeadlineSeconds - static_cast<double>(prefixArrivedAt->msecsTo(clock->now())) / 1000.0;
    bool frameDue = true;
    if (remaining > 0) {
        frameDue = co_await clock->sleepUnlessStopped(remaining, stop->get_token());
    }
    if (!frameDue || !self || !self->m_connections.contains(connectionId)) {
        co_return;
    }
    self->m_logger->warning(
        QStringLiteral("Connection %1 from %2 did not end its stream within %3s of its frame length, closing it")
            .arg(idText(connectionId), self->m_connections.value(connectionId).endpoint,
                 formatDouble(limits.frameDeadlineSeconds)));
    self->cleanupConnection(connectionId, QStringLiteral("frame deadline exceeded"));
}

void EphemeralFrameListener::readAvailable(const QUuid &connectionId)
{
    auto it = m_connections.find(connectionId);
    if (it == m_connections.end() || !it->socket || !it->socket->isOpen()) {
        return;
    }
    while (it->socket->bytesAvailable() > 0) {
        // One byte past the limit is enough to know the frame is too large.
        if (!appendWithinLimit(connectionId, it->buffer, it->socket->read(maxBufferSize() + 1 - it->buffer.size()))) {
            cleanupConnection(connectionId, QStringLiteral("buffer size exceeded"));
            return;
        }
    }
    if (!it->prefixArrivedAt && it->hasPrefix()) {
        it->prefixArrivedAt = m_clock->now();
    }
}

bool EphemeralFrameListener::appendWithinLimit(const QUuid &connectionId, QByteArray &buffer, const QByteArray &bytes)
{
    buffer += bytes;
    const qsizetype limit = maxBufferSize();
    if (buffer.size() <= limit) {
        return true;
    }
    m_logger->warning(QStringLiteral("Connection %1 buffer size %2 exceeds maximum %3")
                          .arg(idText(connectionId), QString::number(buffer.size()), QString::number(limit)));
    return false;
}

void EphemeralFrameListener::receiveStream(const QByteArray &stream, const QHostAddress &sourceAddress)
{
    const QUuid connectionId = QUuid::createUuid();
    QByteArray buffer;
    if (appendWithinLimit(connectionId, buffer, stream.left(maxBufferSize() + 1))) {
        processCompleteFrame(buffer, connectionId, sourceAddress);
    }
}

void EphemeralFrameListener::handleSocketError(const QUuid &connectionId)
{
    auto it = m_connections.find(connectionId);
    if (it == m_connections.end() || !it->socket) {
        return;
    }
    // The peer ending its side is the end of the frame, not an error.
    if (it->socket->error() == QAbstractSocket::RemoteHostClosedError) {
        readAvailable(connectionId);
        return;
    }
    m_logger->warning(
        QStringLiteral("Connection %1 receive error: %2").arg(idText(connectionId), it->socket->errorString()));
    cleanupConnection(connectionId, QStringLiteral("receive error"));
}

void EphemeralFrameListener::handleEndOfStream(const QUuid &connectionId)
{
    readAvailable(connectionId);
    finishConnection(connectionId);
}

void EphemeralFrameListener::finishConnection(const QUuid &connectionId)
{
    auto it = m_connections.find(connectionId);
    if (it == m_connections.end()) {
        return;
    }
    const QByteArray buffer = it->buffer;
    const QHostAddress source = it->sourceAddress;
    m_logger->debug([&] {
        return QStringLiteral("All data received from %1 on connection %2, processing %3 bytes")
            .arg(it->endpoint, idText(connectionId), QString::number(buffer.size()));
    });
    cleanupConnection(connectionId, QStringLiteral("all data received"));
    processCompleteFrame(buffer, connectionId, source);
}

void EphemeralFrameListener::cleanupConnection(const QUuid &connectionId, const QString &reason)
{
    const auto it = m_connections.find(connectionId);
    if (it == m_connections.end()) {
        return;
    }
    const Connection connection = *it;
    m_connections.erase(it);
    connection.deadline->request_stop();
    if (connection.socket) {
        connection.socket->disconnect(this);
        connection.socket->abort();
        connection.socket->deleteLater();
    }
    m_logger->debug(
        [&] { return QStringLiteral("Connection %1 cleanup due to %2").arg(idText(connectionId), reason); });
}

void EphemeralFrameListener::processCompleteFrame(const QByteArray &buffer, const QUuid &connectionId,
                                                  const QHostAddress &sourceAddress)
{
    const FrameReader::Result frame = FrameReader::read(buffer);
    switch (frame.problem) {
    case FrameReader::Problem::InsufficientData:
        m_logger->warning(QStringLiteral("Connection %1 closed with insufficient data: %2 bytes")
                              .arg(idText(connectionId), QString::number(buffer.size())));
        return;
    case FrameReader::Problem::SizeMismatch:
        m_logger->warning(
            QStringLiteral("Connection %1 frame size mismatch: expected %2, got %3")
                .arg(idText(connectionId), QString::number(frame.expectedSize), QString::number(buffer.size())));
        return;
    case FrameReader::Problem::None: break;
    }
    processFrame(frame.envelopeJson, connectionId, sourceAddress);
}

void EphemeralFrameListener::processFrame(const QByteArray &envelopeJson, const QUuid &connectionId,
                                          const QHostAddress &sourceAddress)
{
    EnvelopeResult<RawEventEnvelope> envelope = EventEnvelopeCodec::decodeFromData(envelopeJson);
    if (!envelope) {
        m_logger->warning(QStringLiteral("Failed to decode envelope from connection %1: %2")
                              .arg(idText(connectionId), escapeControlCharacters(envelope.error().description())));
        return;
    }
    m_logger->debug([&] {
        return QStringLiteral("Received frame from Mac %1 on connection %2")
            .arg(idText(envelope->senderMacId), idText(connectionId));
    });
    Q_EMIT receivedFrames(ReceivedFrame{std::move(envelope).value(), sourceAddress});
    signalTest(QStringLiteral("frameReceived"));
}

void EphemeralFrameListener::signalTest(const QString &name)
{
    if (m_testCoordinator) {
        m_testCoordinator->signal(name);
    }
}

} // namespace verandel
