#pragma once

#include "foundation/ClockProtocol.h"
#include "foundation/LoggerFactory.h"
#include "mock/DebugContextProvider.h"
#include "peer/dnssd/DiscoveryProtocol.h"

#include <QSet>
#include <QUuid>

namespace verandel {

// Discovery in mock mode: the debug context's simulated peers are found as if browsed on the network,
// each at 127.0.0.1 on its port. While browsing, peers added to the file are found as they appear;
// a peer already found is not found again until browsing restarts, and removed peers are never
// reported gone.
class DebugContextDiscoveryTransport final : public DiscoveryProtocol
{
    Q_OBJECT

public:
    DebugContextDiscoveryTransport(DebugContextProviderPtr debugContextProvider, LoggerFactory &loggerFactory,
                                   ClockPtr clock, QObject *parent = nullptr);

    // Throws TransportError::browsingFailed("Already browsing"), also announced on errors().
    QCoro::Task<> startBrowsing() override;
    QCoro::Task<> stopBrowsing() override;

    // Advertising is the frame listener's; these only keep a flag.
    QCoro::Task<> startAdvertising(DiscoverableMac discoveredMac);
    QCoro::Task<> stopAdvertising();

    bool isBrowsing() const { return m_isBrowsing; }
    bool isAdvertising() const { return m_isAdvertising; }

private:
    void handleContextChange(const DebugContext &context);
    std::optional<DiscoverableMac> convert(const DebugDiscoverableMac &entry) const;

    DebugContextProviderPtr m_debugContextProvider;
    LoggerPtr m_logger;
    ClockPtr m_clock;
    bool m_isBrowsing = false;
    bool m_isAdvertising = false;
    QMetaObject::Connection m_contextConnection;
    QSet<QUuid> m_emittedMacIds;
};

} // namespace verandel
