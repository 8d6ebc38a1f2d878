#pragma once

#include "foundation/ClockProtocol.h"
#include "foundation/LoggerFactory.h"
#include "foundation/TestCoordinatorProtocol.h"
#include "peer/dnssd/ServiceAdvertiserProtocol.h"
#include "peer/tcp/FrameListenerProtocol.h"

#include <QHash>
#include <QHostAddress>
#include <QPointer>
#include <QTcpServer>
#include <QTcpSocket>
#include <QUuid>

#include <memory>
#include <optional>
#include <stop_token>

namespace verandel {

// Bounds on the inbound connections of a frame listener.
struct InboundConnectionLimits
{
    // From accept to end of stream.
    double deadlineSeconds = 10.0;
    // Connections open at once; further ones are closed at once.
    int maxConnections = 64;
};

// Accepts TCP connections that each carry exactly one frame (4-byte big-endian length, the envelope
// JSON, end of stream), checks it, decodes the envelope and publishes it. Every inbound connection is
// bounded in size, in time (from accept to end of stream) and in number; nothing is ever written back.
class EphemeralFrameListener final : public FrameListenerProtocol
{
    Q_OBJECT

public:
    // Without an advertiser nothing is advertised (tests, mock mode). The listen address defaults to
    // every interface.
    EphemeralFrameListener(const LoggerFactoryPtr &loggerFactory, ClockPtr clock,
                           std::shared_ptr<ServiceAdvertiserProtocol> advertiser,
                           TestCoordinatorPtr testCoordinator = nullptr, QHostAddress listenAddress = QHostAddress::Any,
                           InboundConnectionLimits limits = {});
    ~EphemeralFrameListener() override;

    void start(const DiscoverableMac &advertisedMac) override;
    void alterAdvertisedMac(const DiscoverableMac &newAdvertisedMac) override;
    void stop() override;
    bool isRunning() const override { return m_running; }

    // The port listened on; 0 while not running.
    quint16 port() const;
    int activeConnectionCount() const { return static_cast<int>(m_connections.size()); }

    // The largest connection buffer: one frame of the largest envelope.
    static qsizetype maxBufferSize();

    // Handles a whole inbound stream as if a connection from the source had delivered it and ended:
    // the same size limit, frame checks, decoding and publication (the fuzz target drives this).
    void receiveStream(const QByteArray &stream, const QHostAddress &sourceAddress);

private:
    struct Connection
    {
        QPointer<QTcpSocket> socket;
        QByteArray buffer;
        QHostAddress sourceAddress;
        QString endpoint;
        std::shared_ptr<std::stop_source> deadline;
    };

    void updateListenerService(const DiscoverableMac &mac);
    void handleNewConnections();
    void readAvailable(const QUuid &connectionId);
    void handleEndOfStream(const QUuid &connectionId);
    void handleSocketError(const QUuid &connectionId);
    void cleanupConnection(const QUuid &connectionId, const QString &reason);
    bool appendWithinLimit(const QUuid &connectionId, QByteArray &buffer, const QByteArray &bytes);
    void processCompleteFrame(const QByteArray &buffer, const QUuid &connectionId, const QHostAddress &sourceAddress);
    void processFrame(const QByteArray &envelopeJson, const QUuid &connectionId, const QHostAddress &sourceAddress);
    void signalTest(const QString &name);
    static QCoro::Task<> enforceDeadline(QPointer<EphemeralFrameListener> self, QUuid connectionId, ClockPtr clock,
                                         double seconds, std::shared_ptr<std::stop_source> stop);

    LoggerPtr m_logger;
    ClockPtr m_clock;
    std::shared_ptr<ServiceAdvertiserProtocol> m_advertiser;
    TestCoordinatorPtr m_testCoordinator;
    QHostAddress m_listenAddress;
    InboundConnectionLimits m_limits;
    bool m_running = false;
    std::unique_ptr<QTcpServer> m_server;
    QHash<QUuid, Connection> m_connections;
};

} // namespace verandel
