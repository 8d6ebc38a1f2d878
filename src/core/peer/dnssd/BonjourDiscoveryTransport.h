#pragma once

#include "foundation/ClockProtocol.h"
#include "foundation/LoggerFactory.h"
#include "peer/dnssd/BrowserFactoryProtocol.h"
#include "peer/dnssd/DiscoveryProtocol.h"

#include <memory>

namespace verandel {

// Browses DNS-SD for "_verandel._tcp" and turns every result into a DiscoverableMac, a deleted
// endpoint or a browsing error. It neither advertises nor connects.
class BonjourDiscoveryTransport final : public DiscoveryProtocol
{
    Q_OBJECT

public:
    BonjourDiscoveryTransport(BrowserFactoryPtr browserFactory, LoggerFactory &loggerFactory, ClockPtr clock,
                              QObject *parent = nullptr);
    ~BonjourDiscoveryTransport() override;

    QCoro::Task<> startBrowsing() override;
    QCoro::Task<> stopBrowsing() override;

    bool isBrowsing() const { return m_browser != nullptr; }

private:
    void handleState(const BrowserState &state);
    void handleChanges(const QList<BrowserResultChange> &changes);
    void handleAdded(const BrowserResult &result);
    void handleRemoved(const BrowserResult &result);
    void handleChanged(const BrowserResult &result);
    // Publications leave the browser's handler first, so a subscriber may stop browsing safely.
    void publishMac(DiscoverableMac mac);
    void publishDeletedEndpoint(PeerEndpoint endpoint);
    void publishError(TransportError error);

    BrowserFactoryPtr m_browserFactory;
    LoggerPtr m_logger;
    ClockPtr m_clock;
    QString m_serviceType;
    std::shared_ptr<BrowserProtocol> m_browser;
};

} // namespace verandel
