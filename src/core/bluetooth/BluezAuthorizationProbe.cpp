#include "bluetooth/BluezAuthorizationProbe.h"

#include "bluetooth/BluezClient.h"

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
    bool hasAdapter = false;
    for (const Bluez::InterfaceMap &interfaces : reply.value) {
        const auto adapter = interfaces.constFind(Bluez::adapterInterface);
        if (adapter == interfaces.constEnd()) {
            continue;
        }
        if (adapter->value(QStringLiteral("Powered")).toBool()) {
            co_return SystemPermissionStatus::Authorized;
        }
        hasAdapter = true;
    }
    // An adapter that is off or blocked (rfkill) cannot pair anything: the user has to turn it on.
    co_return hasAdapter ? SystemPermissionStatus::Denied : SystemPermissionStatus::Unknown;
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
