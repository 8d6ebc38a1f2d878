#include "mock/DebugMockBluetoothDeviceManager.h"

#include "mock/SimulatedDelay.h"

#include "foundation/LogText.h"
#include "foundation/StorageError.h"
#include "records/MacAddress.h"

#include <QSet>

namespace verandel {

namespace {

const QString notFoundMessage = QStringLiteral("Device not found in debug context");

QString forLog(const QString &address)
{
    return escapeControlCharacters(address);
}

} // namespace

DebugMockBluetoothDeviceManager::DebugMockBluetoothDeviceManager(DebugContextProviderPtr debugContextProvider,
                                                                 LoggerFactory &loggerFactory, ClockPtr clock,
                                                                 double operationDelay, QObject *parent)
    : BluetoothDeviceManagerProtocol(parent)
    , m_debugContextProvider(std::move(debugContextProvider))
    , m_debugContextUpdater(dynamic_cast<DebugContextUpdater *>(m_debugContextProvider.get()))
    , m_logger(loggerFactory.createLogger(QStringLiteral("DebugMockBluetoothDeviceManager")))
    , m_clock(std::move(clock))
    , m_operationDelay(operationDelay)
{
    m_logger->debug(QStringLiteral("DebugMockBluetoothDeviceManager initialized with %1 local Bluetooth devices")
                        .arg(m_debugContextProvider->getContext().localBluetoothDevices.size()));
    loadDevicesFromDebugContext();
    // The reload asks the provider again rather than using the context announced.
    connect(m_debugContextProvider.get(), &DebugContextProvider::contextChanged, this,
            [this] { loadDevicesFromDebugContext(); });
}

const DebugBluetoothDevice *DebugMockBluetoothDeviceManager::findEntry(const DebugContext &context,
                                                                       const std::optional<QString> &address)
{
    if (!address) {
        return nullptr;
    }
    for (const DebugBluetoothDevice &entry : context.localBluetoothDevices) {
        if (entry.canonicalAddress() == address) {
            return &entry;
        }
    }
    return nullptr;
}

void DebugMockBluetoothDeviceManager::loadDevicesFromDebugContext()
{
    const DebugContext context = m_debugContextProvider->getContext();
    m_logger->debug(QStringLiteral("Loading %1 devices from debug context").arg(context.localBluetoothDevices.size()));
    const QDateTime now = m_clock->now();
    QList<Device> devices;
    QList<std::pair<QString, ConnectionStatus>> statuses;
    QSet<QString> seen;
    for (const DebugBluetoothDevice &entry : context.localBluetoothDevices) {
        const std::optional<QString> address = entry.canonicalAddress();
        if (!address) {
            if (!entry.address.isEmpty()) {
                m_logger->warning(QStringLiteral("Skipping device with an invalid address: ") + forLog(entry.address));
            }
            continue;
        }
        if (seen.contains(*address)) {
            continue;
        }
        seen.insert(*address);
        devices.append(entry.toDevice(now));
        statuses.append({*address, entry.connectionStatus()});
    }
    m_availableDevices = devices;
    publish(devices);
    m_logger->debug(QStringLiteral("Loaded %1 devices from debug context").arg(devices.size()));
    for (const auto &[address, status] : statuses) {
        const auto previous = m_previousConnectionStates.constFind(address);
        if (previous != m_previousConnectionStates.constEnd() && *previous == status) {
            continue;
        }
        m_previousConnectionStates.insert(address, status);
        Q_EMIT connectionStatusChanged(address, status);
    }
}

QCoro::Task<QList<Device>> DebugMockBluetoothDeviceManager::getPairedDevices()
{
    m_logger->debug(QStringLiteral("DebugMockBluetoothDeviceManager.getPairedDevices() called"));
    const DebugContext context = m_debugContextProvider->getContext();
    QList<Device> paired;
    for (const Device &device : m_availableDevices) {
        const DebugBluetoothDevice *entry = findEntry(context, device.macAddress());
        if (entry && entry->isPaired) {
            paired.append(device);
        }
    }
    m_logger->debug(
        QStringLiteral("DebugMockBluetoothDeviceManager.getPairedDevices() returning %1 devices (filtered by isPaired)")
            .arg(paired.size()));
    co_return paired;
}

QCoro::Task<ConnectionStatus> DebugMockBluetoothDeviceManager::getConnectionStatus(Device device)
{
    m_logger->debug(QStringLiteral("DebugMockBluetoothDeviceManager.getConnectionStatus(for: %1) called")
                        .arg(escapeControlCharacters(device.name())));
    const DebugContext context = m_debugContextProvider->getContext();
    const DebugBluetoothDevice *entry = findEntry(context, MacAddress::canonicalize(device.macAddress()));
    if (!entry) {
        m_logger->debug(QStringLiteral(
            "DebugMockBluetoothDeviceManager.getConnectionStatus() device not found in context, returning notPaired"));
        co_return ConnectionStatus::NotPaired;
    }
    const ConnectionStatus status = entry->connectionStatus();
    m_logger->debug(QStringLiteral("DebugMockBluetoothDeviceManager.getConnectionStatus() returning %1 for device %2")
                        .arg(displayName(status), forLog(device.macAddress())));
    co_return status;
}

bool DebugMockBluetoothDeviceManager::writeFlags(const QString &canonicalAddress, bool paired, bool connected)
{
    bool found = false;
    m_debugContextUpdater->updateDebugContext([&](DebugContext &context) {
        for (DebugBluetoothDevice &entry : context.localBluetoothDevices) {
            if (entry.canonicalAddress() == canonicalAddress) {
                entry.isPaired = paired;
                entry.isConnected = connected;
                found = true;
                return;
            }
        }
    });
    return found;
}

QCoro::Task<OperationResult> DebugMockBluetoothDeviceManager::pairDevice(QString macAddress)
{
    const auto self = shared_from_this();
    m_logger->debug(QStringLiteral("DebugMockBluetoothDeviceManager.pairDevice(%1) called").arg(forLog(macAddress)));
    co_await simulatedDelay(m_clock, m_operationDelay);
    const std::optional<QString> address = MacAddress::canonicalize(macAddress);
    const DebugContext context = m_debugContextProvider->getContext();
    if (!findEntry(context, address)) {
        m_logger->warning(
            QStringLiteral("Device %1 not found in localBluetoothDevices, pairing failed").arg(forLog(macAddress)));
        co_return OperationResult::failure(notFoundMessage, OperationFailureCategory::ValidationFailed);
    }
    if (!m_debugContextUpdater) {
        m_logger->warning(QStringLiteral("DebugContextUpdater not available, pairing simulation skipped"));
        co_return OperationResult::succeeded(QStringLiteral("Debug mock pairing successful (no state update)"));
    }
    try {
        if (!writeFlags(*address, true, true)) {
            co_return OperationResult::failure(notFoundMessage, OperationFailureCategory::ValidationFailed);
        }
    } catch (const StorageError &error) {
        m_logger->error(QStringLiteral("Failed to update debug context: ") + error.errorDescription());
        co_return OperationResult::failure(QStringLiteral("Failed to update debug context: ")
                                               + error.errorDescription(),
                                           OperationFailureCategory::Unknown);
    }
    m_logger->debug(QStringLiteral("DebugMockBluetoothDeviceManager.pairDevice(%1) successful").arg(*address));
    co_return OperationResult::succeeded(QStringLiteral("Debug mock pairing successful"));
}

QCoro::Task<OperationResult> DebugMockBluetoothDeviceManager::unpairDevice(QString macAddress)
{
    const auto self = shared_from_this();
    m_logger->debug(QStringLiteral("DebugMockBluetoothDeviceManager.unpairDevice(%1) called").arg(forLog(macAddress)));
    co_await simulatedDelay(m_clock, m_operationDelay);
    if (!m_debugContextUpdater) {
        m_logger->warning(QStringLiteral("DebugContextUpdater not available, unpairing simulation skipped"));
        co_return OperationResult::succeeded(QStringLiteral("Debug mock unpairing successful (no state update)"));
    }
    const std::optional<QString> address = MacAddress::canonicalize(macAddress);
    const DebugContext context = m_debugContextProvider->getContext();
    bool found = findEntry(context, address) != nullptr;
    if (found) {
        try {
            found = writeFlags(*address, false, false);
        } catch (const StorageError &error) {
            m_logger->error(QStringLiteral("Failed to update debug context: ") + error.errorDescription());
            co_return OperationResult::failure(QStringLiteral("Failed to update debug context: ")
                                                   + error.errorDescription(),
                                               OperationFailureCategory::Unknown);
        }
    }
    if (!found) {
        m_logger->warning(
            QStringLiteral("Device %1 not found in localBluetoothDevices, unpairing skipped").arg(forLog(macAddress)));
        co_return OperationResult::succeeded(notFoundMessage);
    }
    m_logger->debug(QStringLiteral("DebugMockBluetoothDeviceManager.unpairDevice(%1) successful").arg(*address));
    co_return OperationResult::succeeded(QStringLiteral("Debug mock unpairing successful"));
}

void DebugMockBluetoothDeviceManager::publish(const QList<Device> &devices)
{
    m_publishedDevices = devices;
    Q_EMIT pairedDevicesChanged(devices);
}

QCoro::Task<> DebugMockBluetoothDeviceManager::bootstrapBluetooth()
{
    // The layers above heard nothing of the constructor's reload: the windows show the simulated
    // devices from the start, as they show the system's.
    const auto self = shared_from_this();
    const QList<Device> paired = co_await getPairedDevices();
    publish(paired);
}

} // namespace verandel
