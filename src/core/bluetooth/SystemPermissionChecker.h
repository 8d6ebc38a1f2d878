#pragma once

#include "bluetooth/BluetoothAuthorizationProbeProtocol.h"
#include "bluetooth/LocalNetworkProbeProtocol.h"
#include "bluetooth/SystemPermissionCheckerProtocol.h"
#include "foundation/ClockProtocol.h"
#include "foundation/LoggerFactory.h"
#include "foundation/StorageManager.h"

#include <QDBusConnection>
#include <QStringList>

#include <functional>
#include <memory>

namespace verandel {

class BluezClient;

// Knows whether this program may use the local network (the Avahi probe) and Bluetooth (the BlueZ
// probe), remembers the last decision of each in "system-permissions-state.json", and opens the
// desktop's settings for them.
class SystemPermissionChecker final : public SystemPermissionCheckerProtocol,
                                      public std::enable_shared_from_this<SystemPermissionChecker>
{
public:
    static const QString localNetworkKey;
    static const QString bluetoothKey;
    static constexpr double defaultProbeTimeoutSeconds = 3.0;

    // Starts a desktop program; false when it could not be started (for instance, not installed).
    using CommandLauncher = std::function<bool(const QString &program, const QStringList &arguments)>;

    struct Probes
    {
        LocalNetworkProbeFactory localNetwork;
        BluetoothAuthorizationProbeFactory bluetooth;
        CommandLauncher launcher;
    };

    // Avahi and BlueZ on the given (system) bus, and settings programs found on PATH. Every BlueZ
    // probe talks through the one given client, or through one made here for the bus.
    static Probes systemProbes(QDBusConnection bus, ClockPtr clock, std::shared_ptr<BluezClient> bluez = nullptr);
    static bool launchDetached(const QString &program, const QStringList &arguments);

    SystemPermissionChecker(StorageManagerPtr storageManager, LoggerFactory &loggerFactory, ClockPtr clock,
                            Probes probes, double probeTimeoutSeconds = defaultProbeTimeoutSeconds);

    SystemPermissionStatus localNetworkStatus() const override { return m_cachedLocalNetworkStatus; }
    SystemPermissionStatus bluetoothStatus() const override { return m_cachedBluetoothStatus; }
    QCoro::Task<SystemPermissionStatus> requestLocalNetworkAccess() override;
    QCoro::Task<SystemPermissionStatus> refreshLocalNetworkAccess() override;
    QCoro::Task<SystemPermissionStatus> requestBluetoothAccess() override;
    QCoro::Task<SystemPermissionStatus> refreshBluetoothAccess() override;
    void openLocalNetworkSettings() override;
    bool openBluetoothSettings() override;

private:
    SystemPermissionStatus loadPersistedPermissionStatus(const QString &key);
    void persistPermissionStatus(SystemPermissionStatus status, const QString &key);
    QCoro::Task<SystemPermissionStatus> evaluateLocalNetworkAccess(bool updateDeniedOnUnknown);
    QCoro::Task<SystemPermissionStatus> evaluateBluetoothAccess(bool isRefresh);
    SystemPermissionStatus combine(SystemPermissionStatus probed, bool denyOnUnknown, const QString &key);
    bool openFirstAvailable(const QList<QStringList> &commands, const QString &failureMessage);

    StorageManagerPtr m_storageManager;
    LoggerPtr m_logger;
    ClockPtr m_clock;
    Probes m_probes;
    double m_probeTimeoutSeconds;
    SystemPermissionStatus m_cachedLocalNetworkStatus = SystemPermissionStatus::Unknown;
    SystemPermissionStatus m_cachedBluetoothStatus = SystemPermissionStatus::Unknown;
};

} // namespace verandel
