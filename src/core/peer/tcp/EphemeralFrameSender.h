#pragma once

#include "foundation/ClockProtocol.h"
#include "foundation/LoggerFactory.h"
#include "peer/dnssd/ServiceResolverProtocol.h"
#include "peer/tcp/FrameSenderProtocol.h"

#include <QTcpSocket>

#include <functional>

namespace verandel {

// Sends every envelope as one frame on a TCP connection of its own: a 4-byte big-endian length, the
// envelope JSON, then end of stream. Nothing is read back and no connection is reused. A connection
// that is not ready within the time-out (DNS-SD resolution included) is given up, and so is a frame not
// written to the end of its stream within WRITE_TIMEOUT of connecting.
class EphemeralFrameSender final : public FrameSenderProtocol
{
public:
    // Starts connecting the socket; tests replace it to stand for a peer that never answers.
    using Connector = std::function<void(QTcpSocket &socket, const QString &host, quint16 port)>;

    // The resolver turns DNS-SD service endpoints into addresses; without one the addresses last
    // resolved for the endpoint are used.
    EphemeralFrameSender(const LoggerFactoryPtr &loggerFactory, ClockPtr clock, double connectionTimeout,
                         std::shared_ptr<ServiceResolverProtocol> resolver = nullptr, Connector connector = {});

    QCoro::Task<bool> send(RawEventEnvelope envelope, DiscoverableMac recipient) override;

    static QByteArray frame(const QByteArray &envelopeJson);

    // Seconds from connecting to the end of the stream.
    static constexpr double WRITE_TIMEOUT = 10.0;

private:
    LoggerPtr m_logger;
    ClockPtr m_clock;
    double m_connectionTimeout;
    std::shared_ptr<ServiceResolverProtocol> m_resolver;
    Connector m_connector;
};

} // namespace verandel
