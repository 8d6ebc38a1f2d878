#pragma once

#include "bluetooth/BluetoothDeviceManagerProtocol.h"
#include "foundation/LoggerFactory.h"

#include <QHash>

#include <memory>

namespace verandel {

// The layer the rest of the program holds: answers connection states from a cache that the inner
// manager's connect and disconnect events keep current, and republishes the paired list (refreshing
// it when a device it does not list connects). Everything else passes straight through.
class ReactiveBluetoothDeviceManager final : public BluetoothDeviceManagerProtocol,
                                             public std::enable_shared_from_this<ReactiveBluetoothDeviceManager>
{
    Q_OBJECT

public:
    ReactiveBluetoothDeviceManager(BluetoothDeviceManagerPtr inner, LoggerFactory &loggerFactory);

    QList<Device> pairedDevices() const override { return m_pairedDevices; }
    QCoro::Task<QList<Device>> getPairedDevices() override;
    QCoro::Task<ConnectionStatus> getConnectionStatus(Device device) override;
    QCoro::Task<OperationResult> pairDevice(QString macAddress) override;
    QCoro::Task<OperationResult> unpairDevice(QString macAddress) override;
    QCoro::Task<> bootstrapBluetooth() override;

private:
    void handleConnectionStatusChange(const QString &macAddress, ConnectionStatus status);
    void handleDeviceRemoved(const QString &macAddress);
    void setPairedDevices(const QList<Device> &devices);
    static QCoro::Task<> refreshPairedDevices(std::shared_ptr<ReactiveBluetoothDeviceManager> self);

    BluetoothDeviceManagerPtr m_inner;
    LoggerPtr m_logger;
    // By address: events and lookups alike carry the canonical form.
    QHash<QString, ConnectionStatus> m_connectionStatusCache;
    // Addresses with lookups waiting on the inner manager: how many wait, and a generation that every
    // newer word on the device (a connect or disconnect event, its removal, an unpair) moves on, so
    // an answer given before it is dropped instead of overwriting it.
    struct LookupsInFlight
    {
        int count = 0;
        quint64 generation = 0;
    };
    void supersedeLookups(const QString &key);

    QHash<QString, LookupsInFlight> m_lookupsInFlight;
    QList<Device> m_pairedDevices;
};

} // namespace verandel
