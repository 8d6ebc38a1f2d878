#pragma once

#include <QHostAddress>
#include <QList>
#include <QString>
#include <QStringView>

#include <optional>

namespace verandel {

// Where a peer's frame listener can be reached: a host and port (mock mode, tests), or a DNS-SD
// service instance together with the addresses and port it last resolved to.
class PeerEndpoint
{
public:
    enum class Kind { HostPort, ServiceInstance };

    static PeerEndpoint hostPort(QString host, quint16 port);
    // "127.0.0.1:5000", "[::1]:5000" or "name:5000"; none for anything else (no port, port 0, junk).
    static std::optional<PeerEndpoint> parseHostPort(QStringView text);
    static PeerEndpoint serviceInstance(QString name, QString type, QString domain);

    // The same service instance with a fresh resolution; a host:port endpoint is returned unchanged.
    PeerEndpoint withResolution(QList<QHostAddress> addresses, quint16 port) const;

    Kind kind() const { return m_kind; }
    bool isHostPort() const { return m_kind == Kind::HostPort; }
    bool isServiceInstance() const { return m_kind == Kind::ServiceInstance; }

    // Host:port endpoints.
    const QString &host() const { return m_host; }
    // The host:port port, or the port the service instance last resolved to (0 when never resolved).
    quint16 port() const { return m_port; }

    // Service instances.
    const QString &serviceName() const { return m_serviceName; }
    const QString &serviceType() const { return m_serviceType; }
    const QString &serviceDomain() const { return m_serviceDomain; }
    const QList<QHostAddress> &resolvedAddresses() const { return m_addresses; }

    // The addresses connections from this peer may come from: the host when it is an address literal,
    // else the last resolved addresses.
    QList<QHostAddress> knownAddresses() const;
    // Whether the address is one of knownAddresses(), IPv4-mapped IPv6 and IPv6 scope ids disregarded.
    bool hasAddress(const QHostAddress &address) const;

    // Text for log lines, with control characters of peer-chosen names escaped.
    QString description() const;

    // Host:port endpoints are equal by host (letter case disregarded) and port; service instances by
    // name, type and domain (type and domain without regard to letter case or a final dot). Resolved
    // addresses are a cache and never count.
    friend bool operator==(const PeerEndpoint &left, const PeerEndpoint &right);

    // IPv4-mapped IPv6 becomes IPv4 and the scope id is dropped, so addresses compare by value.
    static QHostAddress normalizedAddress(const QHostAddress &address);

private:
    PeerEndpoint() = default;

    Kind m_kind = Kind::HostPort;
    QString m_host;
    quint16 m_port = 0;
    QString m_serviceName;
    QString m_serviceType;
    QString m_serviceDomain;
    QList<QHostAddress> m_addresses;
};

size_t qHash(const PeerEndpoint &endpoint, size_t seed = 0);

} // namespace verandel
