#include "records/PeerEndpoint.h"

#include "foundation/LogText.h"

#include <QHash>

namespace verandel {

namespace {

QString normalizedDnsName(const QString &name)
{
    QString result = name.toLower();
    if (result.endsWith(QLatin1Char('.'))) {
        result.chop(1);
    }
    return result;
}

} // namespace

PeerEndpoint PeerEndpoint::hostPort(QString host, quint16 port)
{
    PeerEndpoint endpoint;
    endpoint.m_kind = Kind::HostPort;
    endpoint.m_host = std::move(host);
    endpoint.m_port = port;
    return endpoint;
}

std::optional<PeerEndpoint> PeerEndpoint::parseHostPort(QStringView text)
{
    QStringView host;
    QStringView portText;
    if (text.startsWith(QLatin1Char('['))) {
        const qsizetype close = text.indexOf(QLatin1Char(']'));
        if (close < 0 || close + 1 >= text.size() || text.at(close + 1) != QLatin1Char(':')) {
            return std::nullopt;
        }
        host = text.mid(1, close - 1);
        portText = text.mid(close + 2);
        if (QHostAddress(host.toString()).protocol() != QAbstractSocket::IPv6Protocol) {
            return std::nullopt;
        }
    } else {
        const qsizetype colon = text.lastIndexOf(QLatin1Char(':'));
        if (colon <= 0 || text.indexOf(QLatin1Char(':')) != colon) {
            return std::nullopt;
        }
        host = text.left(colon);
        portText = text.mid(colon + 1);
    }
    if (host.isEmpty() || portText.isEmpty() || portText.size() > 5) {
        return std::nullopt;
    }
    for (const QChar c : portText) {
        if (c < QLatin1Char('0') || c > QLatin1Char('9')) {
            return std::nullopt;
        }
    }
    for (const QChar c : host) {
        if (c.unicode() <= 0x20 || c.unicode() == 0x7F) {
            return std::nullopt;
        }
    }
    const uint port = portText.toUInt();
    if (port == 0 || port > 65535) {
        return std::nullopt;
    }
    return hostPort(host.toString(), static_cast<quint16>(port));
}

PeerEndpoint PeerEndpoint::serviceInstance(QString name, QString type, QString domain)
{
    PeerEndpoint endpoint;
    endpoint.m_kind = Kind::ServiceInstance;
    endpoint.m_serviceName = std::move(name);
    endpoint.m_serviceType = std::move(type);
    endpoint.m_serviceDomain = std::move(domain);
    return endpoint;
}

PeerEndpoint PeerEndpoint::withResolution(QList<QHostAddress> addresses, quint16 port) const
{
    if (m_kind != Kind::ServiceInstance) {
        return *this;
    }
    PeerEndpoint endpoint = *this;
    endpoint.m_addresses = std::move(addresses);
    endpoint.m_port = port;
    return endpoint;
}

QList<QHostAddress> PeerEndpoint::knownAddresses() const
{
    if (m_kind == Kind::ServiceInstance) {
        return m_addresses;
    }
    const QHostAddress literal(m_host);
    if (literal.isNull()) {
        return {};
    }
    return {literal};
}

bool PeerEndpoint::hasAddress(const QHostAddress &address) const
{
    const QHostAddress wanted = normalizedAddress(address);
    if (wanted.isNull()) {
        return false;
    }
    for (const QHostAddress &known : knownAddresses()) {
        if (normalizedAddress(known) == wanted) {
            return true;
        }
    }
    return false;
}

QString PeerEndpoint::description() const
{
    if (m_kind == Kind::HostPort) {
        const QHostAddress literal(m_host);
        const QString host = literal.protocol() == QAbstractSocket::IPv6Protocol
            ? QLatin1Char('[') + m_host + QLatin1Char(']')
            : escapeControlCharacters(m_host);
        return host + QLatin1Char(':') + QString::number(m_port);
    }
    QString text = escapeControlCharacters(m_serviceName) + QLatin1Char('.') + escapeControlCharacters(m_serviceType)
        + QLatin1Char('.') + escapeControlCharacters(m_serviceDomain);
    if (!m_addresses.isEmpty()) {
        QStringList addresses;
        for (const QHostAddress &address : m_addresses) {
            addresses.append(address.toString());
        }
        text += QStringLiteral(" (%1 port %2)").arg(addresses.join(QStringLiteral(", ")), QString::number(m_port));
    }
    return text;
}

bool operator==(const PeerEndpoint &left, const PeerEndpoint &right)
{
    if (left.m_kind != right.m_kind) {
        return false;
    }
    if (left.m_kind == PeerEndpoint::Kind::HostPort) {
        return left.m_port == right.m_port && left.m_host.compare(right.m_host, Qt::CaseInsensitive) == 0;
    }
    return left.m_serviceName == right.m_serviceName
        && normalizedDnsName(left.m_serviceType) == normalizedDnsName(right.m_serviceType)
        && normalizedDnsName(left.m_serviceDomain) == normalizedDnsName(right.m_serviceDomain);
}

QHostAddress PeerEndpoint::normalizedAddress(const QHostAddress &address)
{
    bool isV4 = false;
    const quint32 v4 = address.toIPv4Address(&isV4);
    if (isV4) {
        return QHostAddress(v4);
    }
    QHostAddress copy = address;
    copy.setScopeId(QString());
    return copy;
}

size_t qHash(const PeerEndpoint &endpoint, size_t seed)
{
    if (endpoint.isHostPort()) {
        return qHashMulti(seed, 0, endpoint.host().toLower(), endpoint.port());
    }
    return qHashMulti(seed, 1, endpoint.serviceName(), normalizedDnsName(endpoint.serviceType()),
                      normalizedDnsName(endpoint.serviceDomain()));
}

} // namespace verandel
