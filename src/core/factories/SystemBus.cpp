#include "factories/SystemBus.h"

namespace verandel {

SystemBus::SystemBus(Connector connector)
    : m_connector(connector ? std::move(connector) : Connector([] { return QDBusConnection::systemBus(); }))
{ }

QDBusConnection SystemBus::connection()
{
    if (!m_connection) {
        m_connection = m_connector();
    }
    return *m_connection;
}

std::shared_ptr<BluezClient> SystemBus::bluezClient()
{
    if (!m_bluezClient) {
        m_bluezClient = std::make_shared<BluezClient>(connection());
    }
    return m_bluezClient;
}

} // namespace verandel
