#include "bluetooth/ReactiveBluetoothDeviceManager.h"

namespace verandel {

ReactiveBluetoothDeviceManager::ReactiveBluetoothDeviceManager(BluetoothDeviceManagerPtr inner,
                                                               LoggerFactory &loggerFactory)
    : m_inner(std::move(inner))
    , m_logger(loggerFactory.createLogger(QStringLiteral("ReactiveBluetoothDeviceManager")))
{
    connect(m_inner.get(), &BluetoothDeviceManagerProtocol::connectionStatusChanged, this,
            &ReactiveBluetoothDeviceManager::handleConnectionStatusChange);
    connect(m_inner.get(), &BluetoothDeviceManagerProtocol::pairedDevicesChanged, this,
            &ReactiveBluetoothDeviceManager::setPairedDevices);
    connect(m_inner.get(), &BluetoothDeviceManagerProtocol::deviceRemoved, this,
            &ReactiveBluetoothDeviceManager::handleDeviceRemoved);
    m_logger->info(QStringLiteral("ReactiveBluetoothDeviceManager initialized"));
}

void ReactiveBluetoothDeviceManager::handleDeviceRemoved(const QString &macAddress)
{
    // A device the system forgot is no longer in any state worth remembering, and what a lookup
    // still waiting for it will hear describes the device as it was.
    m_connectionStatusCache.remove(macAddress);
    supersedeLookups(macAddress);
    Q_EMIT deviceRemoved(macAddress);
}

void ReactiveBluetoothDeviceManager::supersedeLookups(const QString &key)
{
    if (const auto waiting = m_lookupsInFlight.find(key); waiting != m_lookupsInFlight.end()) {
        ++waiting->generation;
    }
}

void ReactiveBluetoothDeviceManager::setPairedDevices(const QList<Device> &devices)
{
    m_pairedDevices = devices;
    Q_EMIT pairedDevicesChanged(m_pairedDevices);
}

QCoro::Task<QList<Device>> ReactiveBluetoothDeviceManager::getPairedDevices()
{
    const auto self = shared_from_this();
    const QList<Device> devices = co_await m_inner->getPairedDevices();
    co_return devices;
}

QCoro::Task<ConnectionStatus> ReactiveBluetoothDeviceManager::getConnectionStatus(Device device)
{
    const auto self = shared_from_this();
    const QString address = device.macAddress();
    if (const auto cached = m_connectionStatusCache.constFind(address); cached != m_connectionStatusCache.constEnd()) {
        m_logger->debug(QStringLiteral("Connection status in cache for device: ") + address
                        + QStringLiteral(", returning cached value: ") + displayName(*cached));
        co_return *cached;
    }
    m_logger->debug(QStringLiteral("Connection status not in cache for device: ") + address
                    + QStringLiteral(", querying inner"));
    LookupsInFlight &starting = m_lookupsInFlight[address];
    ++starting.count;
    const quint64 generation = starting.generation;
    const ConnectionStatus status = co_await m_inner->getConnectionStatus(device);
    LookupsInFlight &finished = m_lookupsInFlight[address];
    const bool superseded = finished.generation != generation;
    if (--finished.count == 0) {
        m_lookupsInFlight.remove(address);
    }
    if (superseded) {
        // What came meanwhile is newer than this answer; a removed device has no entry and is not paired.
        m_logger->debug(QStringLiteral("Connection status of device ") + address
                        + QStringLiteral(" changed while it was queried, dropping the answer"));
        const ConnectionStatus newer = m_connectionStatusCache.value(address, ConnectionStatus::NotPaired);
        co_return newer;
    }
    m_connectionStatusCache.insert(address, status);
    co_return status;
}

QCoro::Task<OperationResult> ReactiveBluetoothDeviceManager::pairDevice(QString macAddress)
{
    const auto self = shared_from_this();
    const OperationResult result = co_await m_inner->pairDevice(macAddress);
    if (result.success) {
        // The next lookup asks the system: the device may or may not have connected.
        m_connectionStatusCache.remove(macAddress);
    }
    co_return result;
}

QCoro::Task<OperationResult> ReactiveBluetoothDeviceManager::unpairDevice(QString macAddress)
{
    const auto self = shared_from_this();
    const OperationResult result = co_await m_inner->unpairDevice(macAddress);
    if (result.success) {
        // BlueZ drops the device without a disconnect event the cache could follow.
        m_connectionStatusCache.insert(macAddress, ConnectionStatus::NotPaired);
        supersedeLookups(macAddress);
    }
    co_return result;
}

QCoro::Task<> ReactiveBluetoothDeviceManager::bootstrapBluetooth()
{
    const auto self = shared_from_this();
    co_await m_inner->bootstrapBluetooth();
}

void ReactiveBluetoothDeviceManager::handleConnectionStatusChange(const QString &macAddress, ConnectionStatus status)
{
    const auto cached = m_connectionStatusCache.constFind(macAddress);
    if (cached == m_connectionStatusCache.constEnd() || *cached != status) {
        m_logger->debug(QStringLiteral("Connection status changed for device: ") + macAddress + QStringLiteral(" to ")
                        + displayName(status) + QStringLiteral(", refreshing connection status cache"));
        m_connectionStatusCache.insert(macAddress, status);
        Q_EMIT connectionStatusChanged(macAddress, status);
    }
    supersedeLookups(macAddress);
    if (status != ConnectionStatus::Connected) {
        return;
    }
    const bool known = std::any_of(m_pairedDevices.cbegin(), m_pairedDevices.cend(),
                                   [&macAddress](const Device &device) { return device.macAddress() == macAddress; });
    if (!known) {
        m_logger->debug(QStringLiteral("Unknown device connected, refreshing device list"));
        refreshPairedDevices(shared_from_this());
    }
}

QCoro::Task<> ReactiveBluetoothDeviceManager::refreshPairedDevices(std::shared_ptr<ReactiveBluetoothDeviceManager> self)
{
    const QList<Device> devices = co_await self->m_inner->getPairedDevices();
    self->setPairedDevices(devices);
}

} // namespace verandel
