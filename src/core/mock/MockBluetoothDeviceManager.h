#pragma once

#include "bluetooth/BluetoothDeviceManagerProtocol.h"
#include "foundation/ClockProtocol.h"
#include "foundation/LoggerFactory.h"

namespace verandel {

// A Bluetooth manager for machines without Bluetooth: no devices, one fixed status for every device,
// and pairing and unpairing of any address that succeed after a pause on the clock.
class MockBluetoothDeviceManager final : public BluetoothDeviceManagerProtocol,
                                         public std::enable_shared_from_this<MockBluetoothDeviceManager>
{
    Q_OBJECT

public:
    // The longest pause: a delay that is not finite or longer waits this long.
    static constexpr double maxOperationDelay = 3600.0;

    MockBluetoothDeviceManager(LoggerFactory &loggerFactory, ClockPtr clock, double operationDelay,
                               ConnectionStatus defaultConnectionStatus, QObject *parent = nullptr);

    QList<Device> pairedDevices() const override { return {}; }
    QCoro::Task<QList<Device>> getPairedDevices() override;
    QCoro::Task<ConnectionStatus> getConnectionStatus(Device device) override;
    QCoro::Task<OperationResult> pairDevice(QString macAddress) override;
    QCoro::Task<OperationResult> unpairDevice(QString macAddress) override;
    QCoro::Task<> bootstrapBluetooth() override;

    double operationDelay() const { return m_operationDelay; }

private:
    // Logs "Mock <doing> device …", pauses, logs "Mock successfully <done> device …" and succeeds.
    QCoro::Task<OperationResult> simulate(QString macAddress, QString done, QString doing);

    LoggerPtr m_logger;
    ClockPtr m_clock;
    double m_operationDelay;
    ConnectionStatus m_defaultConnectionStatus;
};

} // namespace verandel
