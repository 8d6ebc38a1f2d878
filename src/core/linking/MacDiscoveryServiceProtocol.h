#pragma once

#include "linking/ConnectionRequest.h"
#include "linking/DiscoveryServiceState.h"
#include "linking/DiscoverySession.h"
#include "linking/SecurityCode.h"
#include "records/ConnectedMac.h"
#include "records/DiscoverableMac.h"

#include <QCoro/QCoroTask>
#include <QList>
#include <QObject>

#include <optional>

namespace verandel {

// Makes this computer visible on the local network, finds the others, runs Discovery Mode and links
// computers after their users compared codes. Every current value has a getter and a change signal.
class MacDiscoveryServiceProtocol : public QObject
{
    Q_OBJECT

public:
    using QObject::QObject;
    ~MacDiscoveryServiceProtocol() override = default;

    // The running Discovery Mode session, or none.
    virtual DiscoverySessionPtr currentSession() const = 0;
    // The code shown to the user and sent in this computer's connection requests.
    virtual std::optional<SecurityCode> currentSecurityCode() const = 0;
    virtual DiscoveryServiceState state() const = 0;
    // Computers found by browsing, in first-seen order; never shrinks.
    virtual QList<DiscoverableMac> discoveredMacs() const = 0;
    // Requests in both directions, in creation order.
    virtual QList<ConnectionRequest> connectionRequests() const = 0;

    // Background advertising and browsing; skipped without Local Network access. Throws TransportError.
    virtual QCoro::Task<> startAdvertising() = 0;
    virtual QCoro::Task<> stopAdvertising() = 0;
    // Throws MacDiscoveryError (invalid state, permission denied) or TransportError.
    virtual QCoro::Task<> startDiscovery(std::optional<QString> customSecurityCode) = 0;
    virtual QCoro::Task<> stopDiscovery() = 0;
    virtual QCoro::Task<SecurityCode> generateNewSecurityCode() = 0;

    virtual QCoro::Task<> sendConnectionRequest(QUuid macId) = 0;
    virtual QCoro::Task<> cancelConnectionRequest(QUuid macId) = 0;
    virtual QCoro::Task<> acceptConnectionRequest(QUuid macId) = 0;
    virtual QCoro::Task<> rejectConnectionRequest(QUuid macId) = 0;
    // Throws the linked-computer store's StorageError.
    virtual QCoro::Task<> removeConnectedMac(QUuid macId) = 0;

Q_SIGNALS:
    void stateChanged(verandel::DiscoveryServiceState state);
    void currentSessionChanged(const verandel::DiscoverySessionPtr &session);
    void currentSecurityCodeChanged(const std::optional<verandel::SecurityCode> &code);
    void discoveredMacsChanged(const QList<verandel::DiscoverableMac> &macs);
    void connectionRequestsChanged(const QList<verandel::ConnectionRequest> &requests);
    // A computer linked on this computer; no replay for late subscribers.
    void connectionEstablished(const verandel::ConnectedMac &mac);
};

using MacDiscoveryServicePtr = std::shared_ptr<MacDiscoveryServiceProtocol>;

} // namespace verandel
