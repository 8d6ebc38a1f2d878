#pragma once

#include "bluetooth/BluetoothDeviceManagerProtocol.h"
#include "bluetooth/SystemPermissionCheckerProtocol.h"
#include "foundation/LoggerFactory.h"

namespace verandel {

// Passes each operation to the inner manager only while Bluetooth access is authorized, asking the
// permission checker afresh every time; the signals pass through unchecked.
class PermissionGuardedBluetoothDeviceManager final
    : public BluetoothDeviceManagerProtocol,
      public std::enable_shared_from_this<PermissionGuardedBluetoothDeviceManager>
{
    Q_OBJECT

public:
    PermissionGuardedBluetoothDeviceManager(BluetoothDeviceManagerPtr inner,
                                            SystemPermissionCheckerPtr systemPermissionChecker,
                                            LoggerFactory &loggerFactory);

    QList<Device> pairedDevices() const override { return m_inner->pairedDevices(); }
    QCoro::Task<QList<Device>> getPairedDevices() override;
    QCoro::Task<ConnectionStatus> getConnectionStatus(Device device) override;
    QCoro::Task<OperationResult> pairDevice(QString macAddress) override;
    QCoro::Task<OperationResult> unpairDevice(QString macAddress) override;
    QCoro::Task<> bootstrapBluetooth() override;

private:
    BluetoothDeviceManagerPtr m_inner;
    SystemPermissionCheckerPtr m_systemPermissionChecker;
    LoggerPtr m_logger;
};

} // namespace verandel
