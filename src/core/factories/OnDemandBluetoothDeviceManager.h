#pragma once

#include "bluetooth/BluetoothDeviceManagerProtocol.h"

#include <functional>

namespace verandel {

// Makes the real Bluetooth manager at the first operation (the bootstrap, at the latest), so that
// building the service graph does not reach bluetoothd: the manager subscribes to it and lists its
// devices as soon as it exists. Passes its signals on.
class OnDemandBluetoothDeviceManager final : public BluetoothDeviceManagerProtocol
{
    Q_OBJECT

public:
    using Maker = std::function<BluetoothDeviceManagerPtr()>;

    explicit OnDemandBluetoothDeviceManager(Maker make, QObject *parent = nullptr);

    // Empty until the manager is made.
    QList<Device> pairedDevices() const override;
    QCoro::Task<QList<Device>> getPairedDevices() override;
    QCoro::Task<ConnectionStatus> getConnectionStatus(Device device) override;
    QCoro::Task<OperationResult> pairDevice(QString macAddress) override;
    QCoro::Task<OperationResult> unpairDevice(QString macAddress) override;
    QCoro::Task<> bootstrapBluetooth() override;
    // Makes the manager: it watches bluetoothd from then on.
    void watchBluetoothService() override;

    bool isMade() const { return m_inner != nullptr; }

private:
    BluetoothDeviceManagerProtocol &inner();

    Maker m_make;
    BluetoothDeviceManagerPtr m_inner;
};

} // namespace verandel
