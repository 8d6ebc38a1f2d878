#pragma once

#include "support/fakes/MockBrowserProtocol.h"

#include "peer/dnssd/BrowserFactoryProtocol.h"

#include <memory>

namespace verandel::test {

// Hands out MockBrowserProtocols and keeps the latest one for the test to drive.
class MockBrowserFactory final : public BrowserFactoryProtocol
{
public:
    std::shared_ptr<BrowserProtocol> createBrowser(const QString &serviceType,
                                                   const BrowserParameters &parameters) override
    {
        m_lastServiceType = serviceType;
        m_lastParameters = parameters;
        m_lastCreatedBrowser = std::make_shared<MockBrowserProtocol>();
        ++m_createdCount;
        return m_lastCreatedBrowser;
    }

    const std::shared_ptr<MockBrowserProtocol> &lastCreatedBrowser() const { return m_lastCreatedBrowser; }
    int createdCount() const { return m_createdCount; }
    const QString &lastServiceType() const { return m_lastServiceType; }
    const BrowserParameters &lastParameters() const { return m_lastParameters; }

private:
    std::shared_ptr<MockBrowserProtocol> m_lastCreatedBrowser;
    int m_createdCount = 0;
    QString m_lastServiceType;
    BrowserParameters m_lastParameters;
};

} // namespace verandel::test
