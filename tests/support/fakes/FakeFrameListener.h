#pragma once

#include "peer/tcp/FrameListenerProtocol.h"

namespace verandel::test {

// A listener whose frames the test publishes itself; it remembers what it was asked to advertise.
class FakeFrameListener final : public FrameListenerProtocol
{
public:
    std::optional<DiscoverableMac> advertised;
    int starts = 0;
    TrustedAddressPredicate isTrustedAddress;

    void start(const DiscoverableMac &mac) override
    {
        ++starts;
        advertised = mac;
        m_running = true;
    }
    void alterAdvertisedMac(const DiscoverableMac &mac) override { advertised = mac; }
    void stop() override { m_running = false; }
    bool isRunning() const override { return m_running; }
    void setTrustedAddressPredicate(TrustedAddressPredicate isTrusted) override
    {
        isTrustedAddress = std::move(isTrusted);
    }
    void publish(const ReceivedFrame &frame) { Q_EMIT receivedFrames(frame); }

private:
    bool m_running = false;
};

} // namespace verandel::test
