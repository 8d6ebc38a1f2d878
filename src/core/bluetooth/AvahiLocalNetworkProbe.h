#pragma once

#include "bluetooth/LocalNetworkProbeProtocol.h"

#include <QDBusConnection>

namespace verandel {

// Browses for our own service type through avahi-daemon: a browser that starts and reports anything
// (an item, "all for now", "cache exhausted") means the local network may be used; a refusal by the
// daemon or the bus policy means it may not. Anything else leaves the probe waiting until stopped.
class AvahiLocalNetworkProbe final : public LocalNetworkProbeProtocol
{
public:
    static const QString serviceType;

    explicit AvahiLocalNetworkProbe(QDBusConnection bus);

    QCoro::Task<SystemPermissionStatus> checkStatus(std::stop_token token) override;

    // Denied for refusals (access denied, not permitted), nothing for errors that decide nothing.
    static std::optional<SystemPermissionStatus> statusForError(const QString &errorName, const QString &message);

private:
    QDBusConnection m_bus;
};

} // namespace verandel
