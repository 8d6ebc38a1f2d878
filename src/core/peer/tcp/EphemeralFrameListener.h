#pragma once

#include "foundation/ClockProtocol.h"
#include "foundation/DelayedCall.h"
#include "foundation/LoggerFactory.h"
#include "foundation/TestCoordinatorProtocol.h"
#include "peer/dnssd/ServiceAdvertiserProtocol.h"
#include "peer/tcp/FrameListenerProtocol.h"

#include <QHash>
#include <QHostAddress>
#include <QMap>
#include <QPointer>
#include <QTcpServer>
#include <QTcpSocket>
#include <QUuid>

#include <functional>
#include <memory>
#include <optional>
#include <stop_token>

namespace verandel {

// Bounds on the inbound connections of a frame listener.
struct InboundConnectionLimits
{
    // From accept to the 4-byte length prefix: an idle connection holds its place no longer.
    double prefixDeadlineSeconds = 2.0;
    // From the length prefix to the end of the stream.
    double frameDeadlineSeconds = 2.0;
    // Connections open at once.
    int maxConnections = 64;
    // Connections open at once from addresses that are not a linked computer's.
    int maxStrangerConnections = 48;
    // Connections open at once from one source address.
    int maxConnectionsPerSource = 8;
};

// Accepts TCP connections that each carry exactly one frame (4-byte big-endian length, the envelope
// JSON, end of stream), checks it, decodes the envelope and publishes it. Every inbound connection is
// bounded in size, in time and in number; nothing is ever written back.
//
// Each connection is classified once, when it is accepted: linked (its source address is a linked
// computer's, as the trusted-address predicate says) or a stranger's. At a cap, connections whose whole
// frame has already arrived are handled first; if that leaves no room, the oldest connection still
// waiting for bytes makes room for the new one: the oldest from the same address at the per-source cap,
// the oldest stranger's at the strangers' cap and at the total cap. A linked computer's connection is
// never closed for a stranger's, so strangers, from however many addresses, leave room for linked
// computers. Connections closed to make room are summed up per source address once per summary period,
// so that a flood does not flood the log as well.
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

    void setTrustedAddressPredicate(TrustedAddressPredicate isTrusted) override
    {
        m_isTrustedAddress = std::move(isTrusted);
    }

    // Start option: listen on this port of 127.0.0.1 only, instead of a port the system picks on the
    // listen address (two instances on one machine find each other by it). Applies from the next start.
    void setFixedLoopbackPort(std::optional<quint16> port) { m_fixedLoopbackPort = port; }

    // The port listened on; 0 while not running.
    quint16 port() const;
    int activeConnectionCount() const { return static_cast<int>(m_connections.size()); }
    // The descriptors of the connections open now, for diagnostics.
    QList<qintptr> connectionDescriptors() const;

    // The largest connection buffer: one frame of the largest envelope.
    static qsizetype maxBufferSize();
    // How often the connections closed to make room are summed up.
    static constexpr double CLOSED_FOR_ROOM_SUMMARY_SECONDS = 10.0;

    // Handles a whole inbound stream as if a connection from the source had delivered it and ended:
    // the same size limit, frame checks, decoding and publication (the fuzz target drives this).
    void receiveStream(const QByteArray &stream, const QHostAddress &sourceAddress);

private:
    struct Connection
    {
        QPointer<QTcpSocket> socket;
        QByteArray buffer;
        QHostAddress sourceAddress;
        // The source address with IPv4-mapped IPv6 unwrapped, for the per-source count.
        QHostAddress source;
        QString endpoint;
        // Order of acceptance.
        quint64 sequence = 0;
        // From a linked computer's address when it was accepted.
        bool trusted = false;
        // When the length prefix had arrived.
        std::optional<QDateTime> prefixArrivedAt;
        std::shared_ptr<std::stop_source> deadline;

        bool hasPrefix() const { return buffer.size() >= 4; }
    };

    void updateListenerService(const DiscoverableMac &mac);
    void handleNewConnections();
    using ConnectionFilter = std::function<bool(const Connection &)>;
    bool makeRoom(const QHostAddress &source, bool trusted, const QString &endpoint);
    qsizetype countOpen(const ConnectionFilter &matches) const;
    // Brings the counted connections below the limit: handles those whose whole frame already arrived,
    // then closes the oldest closable one still waiting for bytes; false when none is left to close.
    bool makeRoomAmong(const ConnectionFilter &counted, const ConnectionFilter &closable, qsizetype limit,
                       const QString &cap, const QString &newEndpoint);
    // Takes in at once what the system already holds for the matching connections, as the next pass of
    // the event loop would; each whose stream ended or whose frame is whole is handled now.
    void finishArrivedFrames(const ConnectionFilter &matches);
    void noteClosedForRoom(const QHostAddress &source);
    void summarizeClosedForRoom();
    void readAvailable(const QUuid &connectionId);
    void handleEndOfStream(const QUuid &connectionId);
    // Handles the buffer as the connection's whole stream.
    void finishConnection(const QUuid &connectionId);
    void handleSocketError(const QUuid &connectionId);
    void cleanupConnection(const QUuid &connectionId, const QString &reason);
    bool appendWithinLimit(const QUuid &connectionId, QByteArray &buffer, const QByteArray &bytes);
    void processCompleteFrame(const QByteArray &buffer, const QUuid &connectionId, const QHostAddress &sourceAddress);
    void processFrame(const QByteArray &envelopeJson, const QUuid &connectionId, const QHostAddress &sourceAddress);
    void signalTest(const QString &name);
    static QCoro::Task<> enforceDeadlines(QPointer<EphemeralFrameListener> self, QUuid connectionId, ClockPtr clock,
                                          InboundConnectionLimits limits, std::shared_ptr<std::stop_source> stop);

    LoggerPtr m_logger;
    ClockPtr m_clock;
    std::shared_ptr<ServiceAdvertiserProtocol> m_advertiser;
    TestCoordinatorPtr m_testCoordinator;
    QHostAddress m_listenAddress;
    InboundConnectionLimits m_limits;
    std::optional<quint16> m_fixedLoopbackPort;
    TrustedAddressPredicate m_isTrustedAddress;
    bool m_running = false;
    quint64 m_acceptedCount = 0;
    std::unique_ptr<QTcpServer> m_server;
    QHash<QUuid, Connection> m_connections;
    // Connections closed to make room since the last summary, by source address, sorted as the summary lists them.
    QMap<QString, int> m_closedForRoom;
    // Pending while a summary period runs; stopped with the listener.
    DelayedCall m_summaryPeriod{m_clock};
};

} // namespace verandel
