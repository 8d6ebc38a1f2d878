#pragma once

#include "foundation/LoggerFactory.h"
#include "peer/dnssd/ServiceResolverProtocol.h"

#include <QDBusConnection>

namespace verandel {

// Resolves a DNS-SD service instance through Avahi (Server.ResolveService) for the frame sender.
// A host:port endpoint needs no resolution and is returned as it is.
class AvahiServiceResolver final : public ServiceResolverProtocol
{
public:
    AvahiServiceResolver(QDBusConnection bus, LoggerFactory &loggerFactory);

    // Throws TransportError: timeout when the instance does not answer, networkUnavailable when
    // avahi-daemon is not there, unknown for any other failure.
    QCoro::Task<PeerEndpoint> resolve(PeerEndpoint service, std::stop_token stop) override;

private:
    QDBusConnection m_bus;
    LoggerPtr m_logger;
};

} // namespace verandel
