#include "support/NetworkTestServer.h"

#include "foundation/CancellationError.h"
#include "foundation/LogText.h"
#include "foundation/SystemClock.h"

#include <QCoro/QCoroAbstractSocket>
#include <QtEndian>

#include <cstdio>

namespace verandel::test {

namespace {

QByteArray frameOf(const QByteArray &payload)
{
    QByteArray frame(4, Qt::Uninitialized);
    qToBigEndian<quint32>(static_cast<quint32>(payload.size()), frame.data());
    return frame + payload;
}

} // namespace

QCoro::Task<> NetworkTestServer::ConnectionHandle::send(QByteArray responseData) const
{
    QPointer<QTcpSocket> socket = m_socket;
    if (!socket || socket->state() != QAbstractSocket::ConnectedState) {
        throw NetworkTestServerError(-3, QStringLiteral("Connection closed"));
    }
    const QByteArray frame = frameOf(responseData);
    if (socket->write(frame) != frame.size()) {
        throw NetworkTestServerError(-3, socket->errorString());
    }
    while (socket && socket->bytesToWrite() > 0) {
        const std::optional<qint64> written = co_await qCoro(socket.data()).waitForBytesWritten(5000);
        if (!written) {
            throw NetworkTestServerError(-3, socket ? socket->errorString() : QStringLiteral("Connection closed"));
        }
    }
}

void NetworkTestServer::ConnectionHandle::close() const
{
    if (m_socket) {
        m_socket->abort();
    }
}

NetworkTestServer::NetworkTestServer(Handler handler, ClockPtr clock)
    : m_handler(std::move(handler))
    , m_clock(clock ? std::move(clock) : std::make_shared<SystemClock>())
{
    connect(&m_server, &QTcpServer::newConnection, this, &NetworkTestServer::handleNewConnection);
}

NetworkTestServer::~NetworkTestServer()
{
    stop();
}

std::unique_ptr<NetworkTestServer> NetworkTestServer::start(Handler handler, ClockPtr clock)
{
    std::unique_ptr<NetworkTestServer> server(new NetworkTestServer(std::move(handler), std::move(clock)));
    // Loopback only: tests never open a port to the network.
    if (!server->m_server.listen(QHostAddress::LocalHost, 0)) {
        throw NetworkTestServerError(-1, server->m_server.errorString());
    }
    if (server->m_server.serverPort() == 0) {
        throw NetworkTestServerError(-1, QStringLiteral("No port assigned"));
    }
    server->m_assignedPort = server->m_server.serverPort();
    return server;
}

NetworkTestServer::Handler NetworkTestServer::silentHandler()
{
    return [](RequestContext) -> QCoro::Task<HandlerResult> { co_return HandlerResult::none(); };
}

PeerEndpoint NetworkTestServer::makeHostPortEndpoint() const
{
    if (!m_assignedPort) {
        throw NetworkTestServerError(-1, QStringLiteral("Server not started or port not assigned"));
    }
    return PeerEndpoint::hostPort(QStringLiteral("127.0.0.1"), *m_assignedPort);
}

void NetworkTestServer::handleNewConnection()
{
    while (QTcpSocket *socket = m_server.nextPendingConnection()) {
        const QUuid id = QUuid::createUuid();
        socket->setParent(this);
        m_connections.insert(id, Connection{socket, {}, 0, false, false});
        connect(socket, &QIODevice::readyRead, this, [this, id] { readFrom(id); });
        connect(socket, &QAbstractSocket::disconnected, this, [this, id] {
            readFrom(id);
            auto it = m_connections.find(id);
            if (it != m_connections.end() && !it->ended) {
                it->ended = true;
                Q_EMIT connectionEnded(id);
            }
        });
        readFrom(id);
    }
}

void NetworkTestServer::readFrom(const QUuid &connectionId)
{
    auto it = m_connections.find(connectionId);
    if (it == m_connections.end() || !it->socket || !it->socket->isOpen()) {
        return;
    }
    const QByteArray bytes = it->socket->readAll();
    it->received += bytes.size();
    it->buffer += bytes;
    if (!it->handling) {
        drainFrames(this, connectionId);
    }
}

QCoro::Task<> NetworkTestServer::drainFrames(QPointer<NetworkTestServer> self, QUuid connectionId)
{
    self->m_connections[connectionId].handling = true;
    while (self) {
        auto it = self->m_connections.find(connectionId);
        if (it == self->m_connections.end()) {
            co_return;
        }
        QByteArray &buffer = it->buffer;
        if (buffer.size() < 4) {
            break;
        }
        const quint64 length = qFromBigEndian<quint32>(buffer.constData());
        if (static_cast<quint64>(buffer.size()) < length + 4) {
            break;
        }
        QByteArray payload = buffer.mid(4, static_cast<qsizetype>(length));
        buffer.remove(0, static_cast<qsizetype>(length + 4));
        // Frames of one connection are handled one after the other.
        co_await self->handleFrame(connectionId, std::move(payload));
    }
    if (self && self->m_connections.contains(connectionId)) {
        self->m_connections[connectionId].handling = false;
    }
}

QCoro::Task<> NetworkTestServer::handleFrame(QUuid connectionId, QByteArray payload)
{
    QPointer<NetworkTestServer> self = this;
    const QPointer<QTcpSocket> socket = m_connections.value(connectionId).socket;
    record(ReceivedRequest{connectionId, payload});
    const Handler handler = m_handler;
    const ConnectionHandle handle(socket.data());
    std::optional<HandlerResult> result;
    // Built before the co_await: GCC 12 destroys an aggregate temporary of a co_await expression twice.
    RequestContext context{connectionId, payload, handle};
    try {
        result = co_await handler(std::move(context));
    } catch (...) {
        handle.close();
        if (self) {
            self->m_connections.remove(connectionId);
        }
        co_return;
    }
    for (const QByteArray &frame : result->frames) {
        bool failed = false;
        QString failure;
        try {
            co_await handle.send(frame);
        } catch (const NetworkTestServerError &error) {
            failed = true;
            failure = error.description();
        }
        if (failed) {
            std::printf("Failed to send frame: %s\n", qPrintable(failure));
            std::fflush(stdout);
        }
    }
}

void NetworkTestServer::record(ReceivedRequest request)
{
    while (!m_requestWaiters.isEmpty()) {
        Waiter waiter = m_requestWaiters.takeFirst();
        if (waiter.request.answer(request)) {
            return;
        }
    }
    m_pendingRequests.append(std::move(request));
}

QCoro::Task<NetworkTestServer::ReceivedRequest> NetworkTestServer::waitForRequest(std::optional<double> timeoutSeconds)
{
    if (!m_pendingRequests.isEmpty()) {
        ReceivedRequest first = m_pendingRequests.takeFirst();
        co_return first;
    }
    if (m_stopped) {
        throw NetworkTestServerError(-1, QStringLiteral("Server stopped"));
    }
    Waiter waiter{m_nextWaiterId++, {}};
    const OneShot<ReceivedRequest> request = waiter.request;
    m_requestWaiters.append(waiter);
    if (timeoutSeconds) {
        expireWaiter(this, waiter.id, *timeoutSeconds, m_timeouts.get_token());
    }
    ReceivedRequest received = co_await request;
    co_return received;
}

QCoro::Task<> NetworkTestServer::expireWaiter(QPointer<NetworkTestServer> self, quint64 waiterId, double timeoutSeconds,
                                              std::stop_token token)
{
    const ClockPtr clock = self->m_clock;
    try {
        co_await clock->sleep(timeoutSeconds, token);
    } catch (const CancellationError &) {
        co_return;
    }
    if (!self) {
        co_return;
    }
    for (qsizetype i = 0; i < self->m_requestWaiters.size(); ++i) {
        if (self->m_requestWaiters.at(i).id == waiterId) {
            Waiter waiter = self->m_requestWaiters.takeAt(i);
            waiter.request.fail(std::make_exception_ptr(NetworkTestServerError(
                -2, QStringLiteral("waitForRequest timed out after %1 seconds").arg(formatDouble(timeoutSeconds)))));
            co_return;
        }
    }
}

void NetworkTestServer::stop()
{
    if (m_stopped) {
        return;
    }
    m_stopped = true;
    m_timeouts.request_stop();
    m_server.close();
    for (const Connection &connection : std::as_const(m_connections)) {
        if (connection.socket) {
            connection.socket->disconnect(this);
            connection.socket->abort();
        }
    }
    m_connections.clear();
    for (Waiter &waiter : m_requestWaiters) {
        waiter.request.fail(std::make_exception_ptr(NetworkTestServerError(-1, QStringLiteral("Server stopped"))));
    }
    m_requestWaiters.clear();
}

qint64 NetworkTestServer::bytesReceived(const QUuid &connectionId) const
{
    return m_connections.value(connectionId).received;
}

bool NetworkTestServer::hasEnded(const QUuid &connectionId) const
{
    return m_connections.value(connectionId).ended;
}

} // namespace verandel::test
