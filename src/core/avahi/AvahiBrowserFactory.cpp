#include "avahi/AvahiBrowserFactory.h"

#include "avahi/AvahiBrowser.h"

namespace verandel {

AvahiBrowserFactory::AvahiBrowserFactory(QDBusConnection bus, LoggerFactory &loggerFactory)
    : m_bus(std::move(bus))
    , m_loggerFactory(loggerFactory)
{ }

std::shared_ptr<BrowserProtocol> AvahiBrowserFactory::createBrowser(const QString &serviceType,
                                                                    const BrowserParameters &parameters)
{
    return std::make_shared<AvahiBrowser>(m_bus, serviceType, parameters.domain, m_loggerFactory);
}

} // namespace verandel
