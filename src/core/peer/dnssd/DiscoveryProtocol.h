#pragma once

#include "peer/dnssd/TransportError.h"
#include "records/DiscoverableMac.h"
#include "records/PeerEndpoint.h"

#include <QCoro/QCoroTask>
#include <QObject>

namespace verandel {

// Finds the other computers on the local network.
class DiscoveryProtocol : public QObject
{
    Q_OBJECT

public:
    using QObject::QObject;
    ~DiscoveryProtocol() override = default;

    // Throws TransportError (browsingFailed "Already browsing" while a browser exists).
    virtual QCoro::Task<> startBrowsing() = 0;
    // Never fails; does nothing while not browsing.
    virtual QCoro::Task<> stopBrowsing() = 0;

Q_SIGNALS:
    // A computer found, or found again with a changed record.
    void discoveredMacs(const verandel::DiscoverableMac &mac);
    void errors(const verandel::TransportError &error);
    // A service that went away or lost its TXT record.
    void endpointDeleted(const verandel::PeerEndpoint &endpoint);
};

} // namespace verandel
