#pragma once

#include "foundation/ClockProtocol.h"
#include "foundation/OneShot.h"
#include "records/PeerEndpoint.h"

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QObject>
#include <QPointer>
#include <QTcpServer>
#include <QTcpSocket>
#include <QUuid>

#include <exception>
#include <functional>
#include <memory>
#include <optional>
#include <stop_token>

namespace verandel::test {

// Errors of the server, numbered like the platform errors tests used to see ("NetworkTestServer" domain).
class NetworkTestServerError final : public std::exception
{
public:
    NetworkTestServerError(int code, QString description)
        : m_code(code)
        , m_description(std::move(description))
        , m_what(m_description.toUtf8())
    { }
    int code() const { return m_code; }
    const QString &description() const { return m_description; }
    const char *what() const noexcept override { return m_what.constData(); }

private:
    int m_code;
    QString m_description;
    QByteArray m_what;
};

// A TCP server on 127.0.0.1 for transport tests: it cuts every incoming stream into frames of the
// peer transport's layout (4-byte big-endian length, then the payload; no size limit, any number of
// frames per connection), records each as a request a test can wait for, and answers it through the
// test's handler. Payloads are opaque bytes.
class NetworkTestServer final : public QObject
{
    Q_OBJECT

public:
    struct ReceivedRequest
    {
        QUuid connectionId;
        QByteArray requestData;
    };

    // Lets a handler write more frames on its connection, or close it.
    class ConnectionHandle
    {
    public:
        explicit ConnectionHandle(QTcpSocket *socket)
            : m_socket(socket)
        { }
        // Returns once the frame was handed to the system; throws NetworkTestServerError otherwise.
        QCoro::Task<> send(QByteArray responseData) const;
        void close() const;

    private:
        QPointer<QTcpSocket> m_socket;
    };

    struct RequestContext
    {
        QUuid connectionId;
        QByteArray requestData;
        ConnectionHandle connection;
    };

    // What to answer a frame with: one frame, several frames, or nothing.
    struct HandlerResult
    {
        QList<QByteArray> frames;

        static HandlerResult response(QByteArray data) { return {{std::move(data)}}; }
        static HandlerResult multiple(QList<QByteArray> data) { return {std::move(data)}; }
        static HandlerResult none() { return {}; }
    };

    // A handler that throws closes its connection.
    using Handler = std::function<QCoro::Task<HandlerResult>(RequestContext)>;

    // Listening on a free port; throws NetworkTestServerError when it cannot listen. The clock times
    // waitForRequest (the system clock when none is given).
    static std::unique_ptr<NetworkTestServer> start(Handler handler, ClockPtr clock = nullptr);
    // A handler that records and answers nothing.
    static Handler silentHandler();
    ~NetworkTestServer() override;

    // 127.0.0.1 and the port (still the old one after stop()).
    PeerEndpoint makeHostPortEndpoint() const;

    // The oldest request nobody has taken yet. Throws code -2 when the time-out passes first, code -1
    // when the server stops.
    QCoro::Task<ReceivedRequest> waitForRequest(std::optional<double> timeoutSeconds = std::nullopt);

    void stop();

    // What a test can check about one connection: every byte it delivered and whether the peer ended
    // its stream.
    qint64 bytesReceived(const QUuid &connectionId) const;
    bool hasEnded(const QUuid &connectionId) const;

Q_SIGNALS:
    void connectionEnded(const QUuid &connectionId);

private:
    struct Connection
    {
        QPointer<QTcpSocket> socket;
        QByteArray buffer;
        qint64 received = 0;
        bool handling = false;
        bool ended = false;
    };
    struct Waiter
    {
        quint64 id = 0;
        OneShot<ReceivedRequest> request;
    };

    NetworkTestServer(Handler handler, ClockPtr clock);

    void handleNewConnection();
    void readFrom(const QUuid &connectionId);
    static QCoro::Task<> drainFrames(QPointer<NetworkTestServer> self, QUuid connectionId);
    QCoro::Task<> handleFrame(QUuid connectionId, QByteArray payload);
    void record(ReceivedRequest request);
    static QCoro::Task<> expireWaiter(QPointer<NetworkTestServer> self, quint64 waiterId, double timeoutSeconds,
                                      std::stop_token token);

    Handler m_handler;
    ClockPtr m_clock;
    QTcpServer m_server;
    std::optional<quint16> m_assignedPort;
    QHash<QUuid, Connection> m_connections;
    QList<ReceivedRequest> m_pendingRequests;
    QList<Waiter> m_requestWaiters;
    quint64 m_nextWaiterId = 1;
    bool m_stopped = false;
    // Ends the waiters' time-outs when the server stops: a sleeping time-out holds the clock.
    std::stop_source m_timeouts;
};

} // namespace verandel::test
