#pragma once

#include "bluetooth/BluetoothDeviceManagerProtocol.h"
#include "foundation/ClockProtocol.h"
#include "foundation/LoggerFactory.h"
#include "mock/DebugContextProvider.h"
#include "mock/DebugContextUpdater.h"

#include <QHash>

namespace verandel {

// The raw Bluetooth layer of mock mode: the paired devices are the debug context's local Bluetooth
// devices, and pairing or unpairing writes the device's new flags back into the context after a pause
// on the clock. Like the BlueZ manager it speaks canonical addresses: the devices it lists, the
// status changes it announces and the addresses it matches, whatever case the file uses (the file
// keeps each address as written). The first entry of an address wins; entries whose address is no
// MAC address are left out.
//
// The published list follows each reload of the context and holds unpaired entries too, except the
// one the bootstrap publishes, which is getPairedDevices() as the BlueZ manager's is; getPairedDevices()
// and getConnectionStatus() read the current context. Status changes are announced once per change.
// Make it with std::make_shared: operations keep it alive while they pause.
class DebugMockBluetoothDeviceManager final : public BluetoothDeviceManagerProtocol,
                                              public std::enable_shared_from_this<DebugMockBluetoothDeviceManager>
{
    Q_OBJECT

public:
    // Writes back through the provider when it is also a DebugContextUpdater; otherwise pairing and
    // unpairing succeed without changing anything.
    DebugMockBluetoothDeviceManager(DebugContextProviderPtr debugContextProvider, LoggerFactory &loggerFactory,
                                    ClockPtr clock, double operationDelay, QObject *parent = nullptr);

    QList<Device> pairedDevices() const override { return m_publishedDevices; }
    QCoro::Task<QList<Device>> getPairedDevices() override;
    QCoro::Task<ConnectionStatus> getConnectionStatus(Device device) override;
    QCoro::Task<OperationResult> pairDevice(QString macAddress) override;
    QCoro::Task<OperationResult> unpairDevice(QString macAddress) override;
    QCoro::Task<> bootstrapBluetooth() override;

private:
    void loadDevicesFromDebugContext();
    void publish(const QList<Device> &devices);
    // Writes the flags to the entry of the address, found again in the context being written; false
    // when it is gone (the context is then written unchanged).
    bool writeFlags(const QString &canonicalAddress, bool paired, bool connected);
    static const DebugBluetoothDevice *findEntry(const DebugContext &context, const std::optional<QString> &address);

    DebugContextProviderPtr m_debugContextProvider;
    DebugContextUpdater *m_debugContextUpdater;
    LoggerPtr m_logger;
    ClockPtr m_clock;
    double m_operationDelay;
    QList<Device> m_availableDevices;
    QList<Device> m_publishedDevices;
    // The last status announced for each canonical address; never forgets an address.
    QHash<QString, ConnectionStatus> m_previousConnectionStates;
};

} // namespace verandel
