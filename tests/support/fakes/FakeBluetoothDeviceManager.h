#pragma once

#include "bluetooth/BluetoothDeviceManagerProtocol.h"

#include <QCoro/QCoroSignal>
#include <QHash>

namespace verandel::test {

// An inner manager that answers what the test set and counts every call.
class FakeBluetoothDeviceManager final : public BluetoothDeviceManagerProtocol
{
    Q_OBJECT

public:
    QList<Device> pairedDevices() const override { return published; }
    QCoro::Task<QList<Device>> getPairedDevices() override
    {
        ++listCalls;
        // GCC 12 moves from a member named in co_return.
        const QList<Device> copy = devices;
        co_return copy;
    }
    QCoro::Task<ConnectionStatus> getConnectionStatus(Device device) override
    {
        ++statusCalls;
        // Read when asked, delivered when released: an answer that arrives late.
        const ConnectionStatus status = statuses.value(device.macAddress(), ConnectionStatus::NotPaired);
        if (holdStatusLookups) {
            co_await qCoro(this, &FakeBluetoothDeviceManager::statusLookupsReleased);
        }
        co_return status;
    }
    QCoro::Task<OperationResult> pairDevice(QString macAddress) override
    {
        pairCalls.append(macAddress);
        const OperationResult result = pairResult;
        co_return result;
    }
    QCoro::Task<OperationResult> unpairDevice(QString macAddress) override
    {
        unpairCalls.append(macAddress);
        const OperationResult result = unpairResult;
        co_return result;
    }
    QCoro::Task<> bootstrapBluetooth() override
    {
        ++bootstrapCalls;
        published = devices;
        Q_EMIT pairedDevicesChanged(published);
        co_return;
    }

    void releaseStatusLookups()
    {
        holdStatusLookups = false;
        Q_EMIT statusLookupsReleased();
    }

    QList<Device> devices;
    QList<Device> published;
    QHash<QString, ConnectionStatus> statuses;
    OperationResult pairResult{true, QStringLiteral("Device paired and connected successfully")};
    OperationResult unpairResult{true, QStringLiteral("Device unpaired successfully")};
    int listCalls = 0;
    int statusCalls = 0;
    int bootstrapCalls = 0;
    QStringList pairCalls;
    QStringList unpairCalls;
    // While set, status lookups wait for releaseStatusLookups().
    bool holdStatusLookups = false;

Q_SIGNALS:
    void statusLookupsReleased();
};

} // namespace verandel::test
