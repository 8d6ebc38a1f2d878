#include "peer/tcp/EphemeralFrameSender.h"

#include "foundation/CancellationError.h"
#include "foundation/JsonFields.h"
#include "foundation/LogText.h"
#include "foundation/OneShot.h"
#include "peer/dnssd/TransportError.h"
#include "peer/wire/EventEnvelopeCodec.h"

#include <QPointer>
#include <QtEndian>

#include <algorithm>
#include <stop_token>

namespace verandel {

namespace {

struct Target
{
    QString host;
    quint16 port = 0;
};

// One send: its connection (or connections, one per resolved address in turn), its deadline and the
// answer the caller waits for. Every path answers through one OneShot, so the first answer wins.
class SendAttempt final : public std::enable_shared_from_this<SendAttempt>
{
public:
    struct Setup
    {
        LoggerPtr logger;
        ClockPtr clock;
        double timeout = 0;
        double writeTimeout = 0;
        std::shared_ptr<ServiceResolverProtocol> resolver;
        EphemeralFrameSender::Connector connector;
        // Ids as they appear in log lines, made only for a line that is kept.
        QUuid envelopeId;
        QUuid macId;
        QString type;
        QByteArray frame;
        PeerEndpoint endpoint;
    };

    explicit SendAttempt(Setup setup)
        : m(std::move(setup))
    { }

    ~SendAttempt() { releaseSocket(false); }

    static QCoro::Task<bool> run(std::shared_ptr<SendAttempt> self)
    {
        self->m.logger->debug([&] {
            return QStringLiteral("Connection to Mac %1 in setup for envelope %2")
                .arg(self->macText(), self->envelopeText());
        });
        watchDeadlines(self);
        const std::optional<QList<Target>> targets = co_await resolveTargets(self);
        if (targets && !self->m_answer.isAnswered()) {
            self->m_targets = *targets;
            self->connectNext();
        }
        const bool sent = co_await self->m_answer;
        self->m_deadlineStop.request_stop();
        co_return sent;
    }

private:
    // Both deadlines on one wait: the connection must be ready within the time-out, and once it is, the
    // frame written to the end of its stream within the write time-out of connecting (a peer that
    // accepts but never reads must not hold the send). No wait is longer than the write time-out, so a
    // connection that becomes ready meanwhile is never checked late.
    static QCoro::Task<> watchDeadlines(std::shared_ptr<SendAttempt> self)
    {
        const QDateTime started = self->m.clock->now();
        for (;;) {
            const QDateTime deadline = self->m_readyAt
                ? self->m_readyAt->addMSecs(std::llround(self->m.writeTimeout * 1000))
                : started.addMSecs(std::llround(self->m.timeout * 1000));
            const double remaining = static_cast<double>(self->m.clock->now().msecsTo(deadline)) / 1000.0;
            if (remaining <= 0) {
                break;
            }
            const double wait = std::min(remaining, self->m.writeTimeout);
            const bool due = co_await self->m.clock->sleepUnlessStopped(wait, self->m_deadlineStop.get_token());
            if (!due || self->m_answer.isAnswered()) {
                co_return;
            }
        }
        if (self->m_answer.isAnswered()) {
            co_return;
        }
        if (self->m_readyAt) {
            self->writeFailed(QStringLiteral("the frame was not written within %1s of connecting")
                                  .arg(formatDouble(self->m.writeTimeout)));
            co_return;
        }
        self->m.logger->warning(QStringLiteral("Connection to Mac %1 timed out after %2s for envelope %3")
                                    .arg(self->macText(), formatDouble(self->m.timeout), self->envelopeText()));
        self->m_resolveStop.request_stop();
        self->releaseSocket(false);
        self->m_answer.answer(false);
    }

    static QCoro::Task<std::optional<QList<Target>>> resolveTargets(std::shared_ptr<SendAttempt> self)
    {
        const PeerEndpoint &endpoint = self->m.endpoint;
        if (endpoint.isHostPort()) {
            co_return QList<Target>{{endpoint.host(), endpoint.port()}};
        }
        self->logPreparing();
        PeerEndpoint resolved = endpoint;
        QString failure;
        if (self->m.resolver) {
            try {
                resolved = co_await self->m.resolver->resolve(endpoint, self->m_resolveStop.get_token());
            } catch (const CancellationError &) {
                co_return std::nullopt; // the deadline has answered
            } catch (const TransportError &error) {
                failure = error.description();
            } catch (const std::exception &error) {
                failure = QString::fromUtf8(error.what());
            }
        }
        if (failure.isEmpty() && (resolved.resolvedAddresses().isEmpty() || resolved.port() == 0)) {
            failure = QStringLiteral("no address resolved for %1").arg(endpoint.description());
        }
        if (!failure.isEmpty()) {
            self->failConnection(failure);
            co_return std::nullopt;
        }
        // IPv4 first: a peer checks a frame's source against the addresses it resolved for us, and an
        // IPv6 source may be a temporary address it never saw.
        QList<QHostAddress> addresses = resolved.resolvedAddresses();
        std::stable_partition(addresses.begin(), addresses.end(), [](const QHostAddress &address) {
            return PeerEndpoint::normalizedAddress(address).protocol() == QAbstractSocket::IPv4Protocol;
        });
        QList<Target> targets;
        for (const QHostAddress &address : addresses) {
            targets.append(Target{address.toString(), resolved.port()});
        }
        co_return targets;
    }

    void logPreparing()
    {
        if (!std::exchange(m_loggedPreparing, true)) {
            m.logger->debug([&] {
                return QStringLiteral("Connection to Mac %1 preparing for envelope %2").arg(macText(), envelopeText());
            });
        }
    }

    void connectNext()
    {
        releaseSocket(false);
        const Target target = m_targets.takeFirst();
        m_socket = new QTcpSocket();
        QTcpSocket *socket = m_socket;
        QObject::connect(socket, &QAbstractSocket::stateChanged, socket, [this](QAbstractSocket::SocketState state) {
            if (state == QAbstractSocket::HostLookupState || state == QAbstractSocket::ConnectingState) {
                logPreparing();
            }
        });
        QObject::connect(socket, &QAbstractSocket::connected, socket, [this] { onReady(); });
        QObject::connect(socket, &QIODevice::bytesWritten, socket, [this](qint64 bytes) { onBytesWritten(bytes); });
        QObject::connect(socket, &QAbstractSocket::errorOccurred, socket, [this] { onError(); });
        QObject::connect(socket, &QAbstractSocket::disconnected, socket, [this] { onDisconnected(); });
        m.connector(*socket, target.host, target.port);
    }

    void onReady()
    {
        if (m_answer.isAnswered()) {
            return;
        }
        m_readyAt = m.clock->now();
        m.logger->debug([&] {
            return QStringLiteral("Connection ready to Mac %1, sending envelope %2 (type: %3)")
                .arg(macText(), envelopeText(), escapeControlCharacters(m.type));
        });
        if (m_socket->write(m.frame) != m.frame.size()) {
            writeFailed(m_socket->errorString());
        }
    }

    void onBytesWritten(qint64 bytes)
    {
        m_written += bytes;
        if (m_written < m.frame.size() || m_answer.isAnswered()) {
            return;
        }
        m.logger->debug([&] {
            return QStringLiteral("Successfully sent envelope %1 (%2 bytes) to Mac %3")
                .arg(envelopeText(), QString::number(m.frame.size() - 4), macText());
        });
        releaseSocket(true);
        m_answer.answer(true);
    }

    void onError()
    {
        if (m_answer.isAnswered()) {
            return;
        }
        const QString error = m_socket->errorString();
        if (m_readyAt) {
            writeFailed(error);
            return;
        }
        if (!m_targets.isEmpty()) {
            m.logger->debug([&] {
                return QStringLiteral("Connection to Mac %1 failed for envelope %2 at %3:%4: %5; trying the next "
                                      "address")
                    .arg(macText(), envelopeText(), m_socket->peerName(), QString::number(m_socket->peerPort()), error);
            });
            connectNext();
            return;
        }
        failConnection(error);
    }

    void onDisconnected()
    {
        if (m_answer.isAnswered()) {
            return;
        }
        m.logger->debug([&] {
            return QStringLiteral("Connection to Mac %1 was cancelled for envelope %2").arg(macText(), envelopeText());
        });
        releaseSocket(false);
        m_answer.answer(false);
    }

    void failConnection(const QString &error)
    {
        m.logger->warning(
            QStringLiteral("Connection to Mac %1 failed for envelope %2: %3").arg(macText(), envelopeText(), error));
        releaseSocket(false);
        m_answer.answer(false);
    }

    void writeFailed(const QString &error)
    {
        m.logger->warning(
            QStringLiteral("Failed to send envelope %1 to Mac %2: %3").arg(envelopeText(), macText(), error));
        releaseSocket(false);
        m_answer.answer(false);
    }

    // Graceful: everything was handed to the system, so closing sends the end of stream after it.
    void releaseSocket(bool graceful)
    {
        QTcpSocket *socket = std::exchange(m_socket, nullptr);
        if (!socket) {
            return;
        }
        socket->disconnect();
        if (graceful) {
            socket->disconnectFromHost();
        } else {
            socket->abort();
        }
        socket->deleteLater();
    }

    QString macText() const { return json::uuidToString(m.macId); }
    QString envelopeText() const { return json::uuidToString(m.envelopeId); }

    Setup m;
    OneShot<bool> m_answer;
    std::stop_source m_deadlineStop;
    std::stop_source m_resolveStop;
    QList<Target> m_targets;
    QTcpSocket *m_socket = nullptr;
    // When the connection became ready.
    std::optional<QDateTime> m_readyAt;
    bool m_loggedPreparing = false;
    qint64 m_written = 0;
};

} // namespace

EphemeralFrameSender::EphemeralFrameSender(const LoggerFactoryPtr &loggerFactory, ClockPtr clock,
                                           double connectionTimeout, std::shared_ptr<ServiceResolverProtocol> resolver,
                                           Connector connector)
    : m_logger(loggerFactory->createLogger(QStringLiteral("EphemeralFrameSender")))
    , m_clock(std::move(clock))
    , m_connectionTimeout(connectionTimeout)
    , m_resolver(std::move(resolver))
    , m_connector(std::move(connector))
{
    if (!m_connector) {
        m_connector = [](QTcpSocket &socket, const QString &host, quint16 port) { socket.connectToHost(host, port); };
    }
}

QByteArray EphemeralFrameSender::frame(const QByteArray &envelopeJson)
{
    QByteArray frame(4, Qt::Uninitialized);
    qToBigEndian<quint32>(static_cast<quint32>(envelopeJson.size()), frame.data());
    frame.append(envelopeJson);
    return frame;
}

QCoro::Task<bool> EphemeralFrameSender::send(RawEventEnvelope envelope, DiscoverableMac recipient)
{
    const auto envelopeId = [&envelope] { return json::uuidToString(envelope.id); };
    const auto macId = [&recipient] { return json::uuidToString(recipient.id()); };
    if (!recipient.endpoint()) {
        m_logger->warning(QStringLiteral("Cannot send envelope %1 to Mac %2: no endpoint").arg(envelopeId(), macId()));
        co_return false;
    }
    const EnvelopeResult<QByteArray> json = EventEnvelopeCodec::encodeToData(envelope);
    if (!json) {
        m_logger->error(
            QStringLiteral("Failed to encode envelope %1: %2").arg(envelopeId(), json.error().description()));
        co_return false;
    }
    m_logger->debug([&] {
        return QStringLiteral("Attempting to send envelope %1 (type: %2, %3 bytes) to Mac %4 at %5")
            .arg(envelopeId(), escapeControlCharacters(envelope.type), QString::number(json->size()), macId(),
                 recipient.endpoint()->description());
    });
    auto attempt = std::make_shared<SendAttempt>(
        SendAttempt::Setup{m_logger, m_clock, m_connectionTimeout, WRITE_TIMEOUT, m_resolver, m_connector, envelope.id,
                           recipient.id(), envelope.type, frame(json.value()), *recipient.endpoint()});
    co_return co_await SendAttempt::run(std::move(attempt));
}

} // namespace verandel
