#pragma once

#include "foundation/OneShot.h"
#include "peer/dnssd/DiscoveryProtocol.h"

#include <optional>

namespace verandel::test {

// A discovery transport the test drives: it records browsing calls, throws a stubbed error, can hold
// a stop, and lets the test push discovered computers, errors and deleted endpoints.
class MockTransport final : public DiscoveryProtocol
{
public:
    std::optional<TransportError> stubbedStartBrowsingError;
    int startBrowsingCalls = 0;
    int stopBrowsingCalls = 0;
    bool browsing = false;
    // The next stop waits for it when the test holds one (keeping a copy to answer).
    std::optional<OneShot<bool>> heldStopBrowsing;

    QCoro::Task<> startBrowsing() override
    {
        ++startBrowsingCalls;
        if (stubbedStartBrowsingError) {
            throw *stubbedStartBrowsingError;
        }
        browsing = true;
        co_return;
    }
    QCoro::Task<> stopBrowsing() override
    {
        ++stopBrowsingCalls;
        if (heldStopBrowsing) {
            const OneShot<bool> gate = *heldStopBrowsing;
            heldStopBrowsing.reset();
            co_await gate;
        }
        browsing = false;
    }

    void simulateDiscoveredMac(const DiscoverableMac &mac) { Q_EMIT discoveredMacs(mac); }
    void simulateError(const TransportError &error) { Q_EMIT errors(error); }
    void simulateEndpointDeleted(const PeerEndpoint &endpoint) { Q_EMIT endpointDeleted(endpoint); }
};

} // namespace verandel::test
