#pragma once

#include "bluetooth/BluetoothDeviceManagerProtocol.h"
#include "bluetooth/SystemPermissionCheckerProtocol.h"
#include "foundation/LoggerFactory.h"

namespace verandel {

// Passes each operation to the inner manager only while Bluetooth access is authorized, asking the
// permission checker afresh every time; the signals pass through unchecked. A bootstrap skipped for
// want of access runs again when the inner manager reports the Bluetooth service (bluetoothd started
// after us), so the paired list is published as after a restart of bluetoothd.
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
    void bootstrapWhenServiceAppears();

    BluetoothDeviceManagerPtr m_inner;
    SystemPermissionCheckerPtr m_systemPermissionChecker;
    LoggerPtr m_logger;
    // A bootstrap was asked for and has not yet got past the check.
    bool m_bootstrapPending = false;
};

} // namespace verandel
