#include "bluetooth/SystemPermissionChecker.h"

#include "bluetooth/AvahiLocalNetworkProbe.h"
#include "bluetooth/BluezAuthorizationProbe.h"
#include "bluetooth/BluezClient.h"
#include "bluetooth/PermissionsStateStore.h"
#include "foundation/DelayedCall.h"

#include <QProcess>
#include <QStandardPaths>

namespace verandel {

const QString SystemPermissionChecker::localNetworkKey = QStringLiteral("local-network");
const QString SystemPermissionChecker::bluetoothKey = QStringLiteral("bluetooth");

namespace {

bool isUndecodable(const StorageError &error)
{
    return error.kind() == StorageError::Kind::JsonDecodingFailed || error.kind() == StorageError::Kind::CorruptedData;
}

} // namespace

SystemPermissionChecker::Probes SystemPermissionChecker::systemProbes(QDBusConnection bus, ClockPtr clock,
                                                                      std::shared_ptr<BluezClient> bluez)
{
    if (!bluez) {
        bluez = std::make_shared<BluezClient>(bus);
    }
    Probes probes;
    probes.localNetwork = [bus] { return std::make_shared<AvahiLocalNetworkProbe>(bus); };
    probes.bluetooth = [bluez, clock] { return std::make_shared<BluezAuthorizationProbe>(bluez, clock); };
    probes.launcher = &SystemPermissionChecker::launchDetached;
    return probes;
}

bool SystemPermissionChecker::launchDetached(const QString &program, const QStringList &arguments)
{
    const QString executable = QStandardPaths::findExecutable(program);
    return !executable.isEmpty() && QProcess::startDetached(executable, arguments);
}

SystemPermissionChecker::SystemPermissionChecker(StorageManagerPtr storageManager, LoggerFactory &loggerFactory,
                                                 ClockPtr clock, Probes probes, double probeTimeoutSeconds)
    : m_storageManager(std::move(storageManager))
    , m_logger(loggerFactory.createLogger(QStringLiteral("SystemPermissionChecker")))
    , m_clock(std::move(clock))
    , m_probes(std::move(probes))
    , m_probeTimeoutSeconds(probeTimeoutSeconds)
{
    m_cachedLocalNetworkStatus = loadPersistedPermissionStatus(localNetworkKey);
    m_cachedBluetoothStatus = loadPersistedPermissionStatus(bluetoothKey);
}

SystemPermissionStatus SystemPermissionChecker::loadPersistedPermissionStatus(const QString &key)
{
    try {
        const QString path = m_storageManager->systemPermissionsStateStorageURL();
        if (!m_storageManager->fileExists(path)) {
            return SystemPermissionStatus::Unknown;
        }
        const auto store = m_storageManager->readJSONSync<PermissionsStateStore>(path);
        const auto entry = store.permissions.constFind(key);
        return entry == store.permissions.constEnd() ? SystemPermissionStatus::Unknown : entry->status;
    } catch (const std::exception &error) {
        m_logger->warning(QStringLiteral("Unable to load system permission state for key '") + key
                          + QStringLiteral("': ") + describeError(error));
        return SystemPermissionStatus::Unknown;
    }
}

void SystemPermissionChecker::persistPermissionStatus(SystemPermissionStatus status, const QString &key)
{
    if (key == localNetworkKey) {
        m_cachedLocalNetworkStatus = status;
    } else if (key == bluetoothKey) {
        m_cachedBluetoothStatus = status;
    }
    try {
        const QString path = m_storageManager->systemPermissionsStateStorageURL();
        PermissionsStateStore store;
        if (m_storageManager->fileExists(path)) {
            try {
                store = m_storageManager->readJSONSync<PermissionsStateStore>(path);
            } catch (const StorageError &error) {
                if (!isUndecodable(error)) {
                    throw;
                }
                // Left alone, a damaged file would keep every later decision from being remembered.
                m_logger->warning(QStringLiteral("System permission state file does not decode, replacing it: ")
                                  + error.errorDescription());
            }
        }
        store.permissions.insert(key, PermissionRecord{status, m_clock->now()});
        m_storageManager->writeJSONSync(store, path);
    } catch (const std::exception &error) {
        m_logger->warning(QStringLiteral("Unable to persist system permission state for key '") + key
                          + QStringLiteral("': ") + describeError(error));
    }
}

SystemPermissionStatus SystemPermissionChecker::combine(SystemPermissionStatus probed, bool denyOnUnknown,
                                                        const QString &key)
{
    if (probed != SystemPermissionStatus::Unknown) {
        persistPermissionStatus(probed, key);
        return probed;
    }
    const SystemPermissionStatus cached = key == bluetoothKey ? m_cachedBluetoothStatus : m_cachedLocalNetworkStatus;
    if (denyOnUnknown && cached == SystemPermissionStatus::Authorized) {
        persistPermissionStatus(SystemPermissionStatus::Denied, key);
        return SystemPermissionStatus::Denied;
    }
    return cached;
}

QCoro::Task<SystemPermissionStatus> SystemPermissionChecker::evaluateLocalNetworkAccess(bool updateDeniedOnUnknown)
{
    const auto self = shared_from_this();
    const std::shared_ptr<LocalNetworkProbeProtocol> probe = m_probes.localNetwork();
    const auto probeStop = std::make_shared<std::stop_source>();
    // The time-out stops the probe, which then answers unknown at once.
    DelayedCall timeout(m_clock);
    timeout.start(m_probeTimeoutSeconds, [probeStop] { probeStop->request_stop(); });
    const SystemPermissionStatus probed = co_await probe->checkStatus(probeStop->get_token());
    timeout.cancel();
    co_return combine(probed, updateDeniedOnUnknown, localNetworkKey);
}

QCoro::Task<SystemPermissionStatus> SystemPermissionChecker::evaluateBluetoothAccess(bool isRefresh)
{
    const auto self = shared_from_this();
    const std::shared_ptr<BluetoothAuthorizationProbeProtocol> probe = m_probes.bluetooth();
    const SystemPermissionStatus probed = co_await probe->checkAuthorization(!isRefresh);
    co_return combine(probed, isRefresh, bluetoothKey);
}

QCoro::Task<SystemPermissionStatus> SystemPermissionChecker::requestLocalNetworkAccess()
{
    return evaluateLocalNetworkAccess(false);
}

QCoro::Task<SystemPermissionStatus> SystemPermissionChecker::refreshLocalNetworkAccess()
{
    return evaluateLocalNetworkAccess(true);
}

QCoro::Task<SystemPermissionStatus> SystemPermissionChecker::requestBluetoothAccess()
{
    return evaluateBluetoothAccess(false);
}

QCoro::Task<SystemPermissionStatus> SystemPermissionChecker::refreshBluetoothAccess()
{
    return evaluateBluetoothAccess(true);
}

bool SystemPermissionChecker::openFirstAvailable(const QList<QStringList> &commands, const QString &failureMessage)
{
    for (const QStringList &command : commands) {
        if (m_probes.launcher && m_probes.launcher(command.constFirst(), command.mid(1))) {
            return true;
        }
    }
    m_logger->warning(failureMessage);
    return false;
}

void SystemPermissionChecker::openLocalNetworkSettings()
{
    openFirstAvailable({{QStringLiteral("gnome-control-center"), QStringLiteral("network")},
                        {QStringLiteral("systemsettings"), QStringLiteral("kcm_networkmanagement")},
                        {QStringLiteral("nm-connection-editor")}},
                       QStringLiteral("Failed to open Local Network settings URL"));
}

bool SystemPermissionChecker::openBluetoothSettings()
{
    return openFirstAvailable({{QStringLiteral("gnome-control-center"), QStringLiteral("bluetooth")},
                               {QStringLiteral("systemsettings"), QStringLiteral("kcm_bluetooth")},
                               {QStringLiteral("blueman-manager")}},
                              QStringLiteral("Failed to open Bluetooth settings URL"));
}

} // namespace verandel
