#include "bluetooth/BluezAuthorizationProbe.h"

#include "bluetooth/BluezClient.h"
#include "bluetooth/BluezDeviceProperties.h"

namespace verandel {

BluezAuthorizationProbe::BluezAuthorizationProbe(std::shared_ptr<BluezClient> client, ClockPtr clock,
                                                 double pollIntervalSeconds, double maxWaitSeconds)
    : m_client(std::move(client))
    , m_clock(std::move(clock))
    , m_pollIntervalSeconds(pollIntervalSeconds)
    , m_maxWaitSeconds(maxWaitSeconds)
{ }

BluezAuthorizationProbe::~BluezAuthorizationProbe() = default;

QCoro::Task<SystemPermissionStatus> BluezAuthorizationProbe::currentStatus()
{
    const auto self = shared_from_this();
    const BluezReply<Bluez::ManagedObjects> reply = co_await m_client->getManagedObjects();
    if (!reply.ok()) {
        co_return reply.error.type() == QDBusError::AccessDenied ? SystemPermissionStatus::Denied
                                                                 : SystemPermissionStatus::Unknown;
    }
    // A powered adapter if there is one.
    const std::optional<QString> adapter = BluezProperties::firstAdapter(reply.value);
    if (!adapter) {
        co_return SystemPermissionStatus::Unknown;
    }
    const QVariantMap properties = reply.value.value(QDBusObjectPath(*adapter)).value(Bluez::adapterInterface);
    // An adapter that is off or blocked (rfkill) cannot pair anything: the user has to turn it on.
    co_return properties.value(QStringLiteral("Powered")).toBool() ? SystemPermissionStatus::Authorized
                                                                   : SystemPermissionStatus::Denied;
}

QCoro::Task<SystemPermissionStatus> BluezAuthorizationProbe::checkAuthorization(bool runBootstrapProbe)
{
    const auto self = shared_from_this();
    // The wait is measured on the clock, not by counting pauses: a bluetoothd that holds its name but
    // does not answer makes every look take the whole call time-out.
    const QDateTime deadline = m_clock->now().addMSecs(qRound64(m_maxWaitSeconds * 1000.0));
    SystemPermissionStatus status = co_await currentStatus();
    // Waits for bluetoothd to start or an adapter to be plugged in.
    while (runBootstrapProbe && status == SystemPermissionStatus::Unknown && m_clock->now() < deadline) {
        co_await m_clock->sleep(m_pollIntervalSeconds);
        status = co_await currentStatus();
    }
    co_return status;
}

} // namespace verandel
