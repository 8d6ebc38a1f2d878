#include "bluetooth/PermissionGuardedBluetoothDeviceManager.h"

namespace verandel {

namespace {
const QString permissionRequired = QStringLiteral("Bluetooth permission is required");
}

PermissionGuardedBluetoothDeviceManager::PermissionGuardedBluetoothDeviceManager(
    BluetoothDeviceManagerPtr inner, SystemPermissionCheckerPtr systemPermissionChecker, LoggerFactory &loggerFactory)
    : m_inner(std::move(inner))
    , m_systemPermissionChecker(std::move(systemPermissionChecker))
    , m_logger(loggerFactory.createLogger(QStringLiteral("PermissionGuardedBluetoothDeviceManager")))
{
    connect(m_inner.get(), &BluetoothDeviceManagerProtocol::pairedDevicesChanged, this,
            &BluetoothDeviceManagerProtocol::pairedDevicesChanged);
    connect(m_inner.get(), &BluetoothDeviceManagerProtocol::connectionStatusChanged, this,
            &BluetoothDeviceManagerProtocol::connectionStatusChanged);
    connect(m_inner.get(), &BluetoothDeviceManagerProtocol::deviceRemoved, this,
            &BluetoothDeviceManagerProtocol::deviceRemoved);
    connect(m_inner.get(), &BluetoothDeviceManagerProtocol::bluetoothServiceAppeared, this,
            &PermissionGuardedBluetoothDeviceManager::bootstrapWhenServiceAppears);
}

void PermissionGuardedBluetoothDeviceManager::bootstrapWhenServiceAppears()
{
    if (!m_bootstrapPending) {
        return;
    }
    m_logger->info(QStringLiteral("Bluetooth service appeared, running the skipped Bluetooth bootstrap"));
    bootstrapBluetooth();
}

QCoro::Task<QList<Device>> PermissionGuardedBluetoothDeviceManager::getPairedDevices()
{
    const auto self = shared_from_this();
    const SystemPermissionStatus status = co_await m_systemPermissionChecker->refreshBluetoothAccess();
    if (status != SystemPermissionStatus::Authorized) {
        m_logger->info(QStringLiteral("Blocking getPairedDevices because Bluetooth authorization is not granted"));
        co_return QList<Device>{};
    }
    const auto result = co_await m_inner->getPairedDevices();
    co_return result;
}

QCoro::Task<ConnectionStatus> PermissionGuardedBluetoothDeviceManager::getConnectionStatus(Device device)
{
    const auto self = shared_from_this();
    const SystemPermissionStatus status = co_await m_systemPermissionChecker->refreshBluetoothAccess();
    if (status != SystemPermissionStatus::Authorized) {
        m_logger->info(QStringLiteral("Blocking getConnectionStatus for ") + device.macAddress()
                       + QStringLiteral(" because Bluetooth authorization is not granted"));
        co_return ConnectionStatus::NotPaired;
    }
    const auto result = co_await m_inner->getConnectionStatus(device);
    co_return result;
}

QCoro::Task<OperationResult> PermissionGuardedBluetoothDeviceManager::pairDevice(QString macAddress)
{
    const auto self = shared_from_this();
    const SystemPermissionStatus status = co_await m_systemPermissionChecker->refreshBluetoothAccess();
    if (status != SystemPermissionStatus::Authorized) {
        co_return OperationResult::failure(permissionRequired, OperationFailureCategory::PermissionDenied);
    }
    const auto result = co_await m_inner->pairDevice(macAddress);
    co_return result;
}

QCoro::Task<OperationResult> PermissionGuardedBluetoothDeviceManager::unpairDevice(QString macAddress)
{
    const auto self = shared_from_this();
    const SystemPermissionStatus status = co_await m_systemPermissionChecker->refreshBluetoothAccess();
    if (status != SystemPermissionStatus::Authorized) {
        co_return OperationResult::failure(permissionRequired, OperationFailureCategory::PermissionDenied);
    }
    const auto result = co_await m_inner->unpairDevice(macAddress);
    co_return result;
}

QCoro::Task<> PermissionGuardedBluetoothDeviceManager::bootstrapBluetooth()
{
    const auto self = shared_from_this();
    // Set before the check: the service may appear while it runs.
    m_bootstrapPending = true;
    const SystemPermissionStatus status = co_await m_systemPermissionChecker->refreshBluetoothAccess();
    if (status != SystemPermissionStatus::Authorized) {
        m_logger->info(QStringLiteral("Skipping Bluetooth bootstrap because authorization is ") + toString(status));
        m_inner->watchBluetoothService();
        co_return;
    }
    m_bootstrapPending = false;
    co_await m_inner->bootstrapBluetooth();
}

} // namespace verandel
