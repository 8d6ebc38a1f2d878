#pragma once

#include "bluetooth/BluezClient.h"

#include <QDBusConnection>

#include <functional>
#include <memory>
#include <optional>

namespace verandel {

// The system bus of one service graph. It is connected when a service first talks to a system daemon
// (bluetoothd, avahi-daemon), never while the graph is built, so a machine without a system bus
// builds the graph like any other and its services report the absence when they run. Everything on
// the bus shares the one BlueZ client made here.
class SystemBus final
{
public:
    using Connector = std::function<QDBusConnection()>;

    // Without a connector, QDBusConnection::systemBus().
    explicit SystemBus(Connector connector = {});

    QDBusConnection connection();
    std::shared_ptr<BluezClient> bluezClient();
    // Whether anything asked for the bus yet.
    bool isConnected() const { return m_connection.has_value(); }

private:
    Connector m_connector;
    std::optional<QDBusConnection> m_connection;
    std::shared_ptr<BluezClient> m_bluezClient;
};

using SystemBusPtr = std::shared_ptr<SystemBus>;

} // namespace verandel
