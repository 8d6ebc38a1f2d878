#include "mock/MockBluetoothDeviceManager.h"

#include "mock/SimulatedDelay.h"

#include "foundation/LogText.h"

#include <algorithm>
#include <cmath>

namespace verandel {

namespace {

double clampedDelay(double seconds)
{
    if (std::isnan(seconds)) {
        return MockBluetoothDeviceManager::maxOperationDelay;
    }
    return std::clamp(seconds, 0.0, MockBluetoothDeviceManager::maxOperationDelay);
}

} // namespace

MockBluetoothDeviceManager::MockBluetoothDeviceManager(LoggerFactory &loggerFactory, ClockPtr clock,
                                                       double operationDelay, ConnectionStatus defaultConnectionStatus,
                                                       QObject *parent)
    : BluetoothDeviceManagerProtocol(parent)
    , m_logger(loggerFactory.createLogger(QStringLiteral("MockBluetoothDeviceManager")))
    , m_clock(std::move(clock))
    , m_operationDelay(clampedDelay(operationDelay))
    , m_defaultConnectionStatus(defaultConnectionStatus)
{ }

QCoro::Task<QList<Device>> MockBluetoothDeviceManager::getPairedDevices()
{
    m_logger->info(QStringLiteral("Mock getPairedDevices() called"));
    co_return QList<Device>();
}

QCoro::Task<ConnectionStatus> MockBluetoothDeviceManager::getConnectionStatus(Device device)
{
    m_logger->info(
        QStringLiteral("Mock getConnectionStatus(for: %1) called").arg(escapeControlCharacters(device.name())));
    const ConnectionStatus status = m_defaultConnectionStatus;
    co_return status;
}

QCoro::Task<OperationResult> MockBluetoothDeviceManager::pairDevice(QString macAddress)
{
    return simulate(macAddress, QStringLiteral("paired"), QStringLiteral("pairing"));
}

QCoro::Task<OperationResult> MockBluetoothDeviceManager::unpairDevice(QString macAddress)
{
    return simulate(macAddress, QStringLiteral("unpaired"), QStringLiteral("unpairing"));
}

QCoro::Task<OperationResult> MockBluetoothDeviceManager::simulate(QString macAddress, QString done, QString doing)
{
    const auto self = shared_from_this();
    const QString address = escapeControlCharacters(macAddress);
    m_logger->info(QStringLiteral("Mock %1 device with MAC address: %2").arg(doing, address));
    co_await simulatedDelay(m_clock, m_operationDelay);
    m_logger->info(QStringLiteral("Mock successfully %1 device with MAC address: %2").arg(done, address));
    co_return OperationResult::succeeded(QStringLiteral("Device %1 successfully").arg(done));
}

QCoro::Task<> MockBluetoothDeviceManager::bootstrapBluetooth()
{
    co_return;
}

} // namespace verandel
