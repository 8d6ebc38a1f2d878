#pragma once

#include "bluetooth/BluetoothDeviceManagerProtocol.h"

#include <QHash>

namespace verandel::test {

// Paired devices for pictures of the windows, with canned statuses: a device without a status is
// connected. Pairing and unpairing succeed at once; nothing is announced after construction.
class PreviewBluetoothDeviceManager final : public BluetoothDeviceManagerProtocol
{
    Q_OBJECT

public:
    explicit PreviewBluetoothDeviceManager(QList<Device> pairedDevices = {},
                                           QHash<QString, ConnectionStatus> connectionStatuses = {})
        : paired(std::move(pairedDevices))
        , connectionStatuses(std::move(connectionStatuses))
    { }

    QList<Device> paired;
    QHash<QString, ConnectionStatus> connectionStatuses;

    QList<Device> pairedDevices() const override { return paired; }
    QCoro::Task<QList<Device>> getPairedDevices() override
    {
        const QList<Device> copy = paired;
        co_return copy;
    }
    QCoro::Task<ConnectionStatus> getConnectionStatus(Device device) override
    {
        const ConnectionStatus status = connectionStatuses.value(device.macAddress(), ConnectionStatus::Connected);
        co_return status;
    }
    QCoro::Task<OperationResult> pairDevice(QString) override
    {
        const OperationResult result{true, std::nullopt};
        co_return result;
    }
    QCoro::Task<OperationResult> unpairDevice(QString) override
    {
        const OperationResult result{true, std::nullopt};
        co_return result;
    }
    QCoro::Task<> bootstrapBluetooth() override { co_return; }
};

} // namespace verandel::test
