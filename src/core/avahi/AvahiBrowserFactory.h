#pragma once

#include "foundation/LoggerFactory.h"
#include "peer/dnssd/BrowserFactoryProtocol.h"

#include <QDBusConnection>

namespace verandel {

// Makes AvahiBrowsers on one bus (the system bus in the program, a private one in tests).
class AvahiBrowserFactory final : public BrowserFactoryProtocol
{
public:
    AvahiBrowserFactory(QDBusConnection bus, LoggerFactory &loggerFactory);

    std::shared_ptr<BrowserProtocol> createBrowser(const QString &serviceType,
                                                   const BrowserParameters &parameters) override;

private:
    QDBusConnection m_bus;
    LoggerFactory &m_loggerFactory;
};

} // namespace verandel
