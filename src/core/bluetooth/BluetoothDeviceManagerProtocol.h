#pragma once

#include "bluetooth/OperationResult.h"
#include "records/ConnectionStatus.h"
#include "records/Device.h"

#include <QCoro/QCoroTask>
#include <QList>
#include <QObject>

#include <memory>

namespace verandel {

// What every Bluetooth layer offers: the raw BlueZ manager, the permission guard and the status cache
// (and the mock-mode managers). Nothing here throws: failures come back as results, notPaired or an
// empty list. MAC addresses in signals are in the canonical form (see MacAddress).
class BluetoothDeviceManagerProtocol : public QObject
{
    Q_OBJECT

public:
    using QObject::QObject;
    ~BluetoothDeviceManagerProtocol() override = default;

    // The last published list of paired devices (empty before the first publication).
    virtual QList<Device> pairedDevices() const = 0;

    // Lists what the system reports as paired, without publishing.
    virtual QCoro::Task<QList<Device>> getPairedDevices() = 0;
    // A device that cannot be found or queried is notPaired.
    virtual QCoro::Task<ConnectionStatus> getConnectionStatus(Device device) = 0;
    // Success whenever the device ends up paired, also when it could not be connected.
    virtual QCoro::Task<OperationResult> pairDevice(QString macAddress) = 0;
    // Success when the removal was requested.
    virtual QCoro::Task<OperationResult> unpairDevice(QString macAddress) = 0;
    // Lists the paired devices once and publishes them.
    virtual QCoro::Task<> bootstrapBluetooth() = 0;
    // From now on, reports bluetoothServiceAppeared when the system's Bluetooth service becomes usable.
    // Managers that simulate Bluetooth have no such service and never report.
    virtual void watchBluetoothService() { }

Q_SIGNALS:
    void pairedDevicesChanged(const QList<verandel::Device> &devices);
    // One per connect (Connected) or disconnect (PairedNotConnected) the system reports.
    void connectionStatusChanged(const QString &macAddress, verandel::ConnectionStatus status);
    // The system forgot the device altogether (its pairing is gone), or bluetoothd went away with it.
    void deviceRemoved(const QString &macAddress);
    // bluetoothd is on the bus with an adapter: it started, restarted, or an adapter was plugged in.
    void bluetoothServiceAppeared();
};

using BluetoothDeviceManagerPtr = std::shared_ptr<BluetoothDeviceManagerProtocol>;

} // namespace verandel
