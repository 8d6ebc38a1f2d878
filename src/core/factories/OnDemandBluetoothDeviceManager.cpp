#include "factories/OnDemandBluetoothDeviceManager.h"

namespace verandel {

OnDemandBluetoothDeviceManager::OnDemandBluetoothDeviceManager(Maker make, QObject *parent)
    : BluetoothDeviceManagerProtocol(parent)
    , m_make(std::move(make))
{ }

BluetoothDeviceManagerProtocol &OnDemandBluetoothDeviceManager::inner()
{
    if (!m_inner) {
        m_inner = m_make();
        BluetoothDeviceManagerProtocol *inner = m_inner.get();
        connect(inner, &BluetoothDeviceManagerProtocol::pairedDevicesChanged, this,
                &BluetoothDeviceManagerProtocol::pairedDevicesChanged);
        connect(inner, &BluetoothDeviceManagerProtocol::connectionStatusChanged, this,
                &BluetoothDeviceManagerProtocol::connectionStatusChanged);
        connect(inner, &BluetoothDeviceManagerProtocol::deviceRemoved, this,
                &BluetoothDeviceManagerProtocol::deviceRemoved);
        connect(inner, &BluetoothDeviceManagerProtocol::bluetoothServiceAppeared, this,
                &BluetoothDeviceManagerProtocol::bluetoothServiceAppeared);
    }
    return *m_inner;
}

QList<Device> OnDemandBluetoothDeviceManager::pairedDevices() const
{
    return m_inner ? m_inner->pairedDevices() : QList<Device>();
}

// The operations hand back the inner manager's own tasks, which keep that manager alive while they run.

QCoro::Task<QList<Device>> OnDemandBluetoothDeviceManager::getPairedDevices()
{
    return inner().getPairedDevices();
}

QCoro::Task<ConnectionStatus> OnDemandBluetoothDeviceManager::getConnectionStatus(Device device)
{
    return inner().getConnectionStatus(std::move(device));
}

QCoro::Task<OperationResult> OnDemandBluetoothDeviceManager::pairDevice(QString macAddress)
{
    return inner().pairDevice(std::move(macAddress));
}

QCoro::Task<OperationResult> OnDemandBluetoothDeviceManager::unpairDevice(QString macAddress)
{
    return inner().unpairDevice(std::move(macAddress));
}

QCoro::Task<> OnDemandBluetoothDeviceManager::bootstrapBluetooth()
{
    return inner().bootstrapBluetooth();
}

void OnDemandBluetoothDeviceManager::watchBluetoothService()
{
    inner().watchBluetoothService();
}

} // namespace verandel
