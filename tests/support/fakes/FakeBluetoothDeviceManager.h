#pragma once

#include "bluetooth/BluetoothDeviceManagerProtocol.h"

#include <QCoro/QCoroSignal>
#include <QHash>

#include <algorithm>
#include <memory>

namespace verandel::test {

// Bluetooth devices as several computers in one test see them: each device is paired with at most
// one holder at a time, and pairing takes it from nobody only.
struct SharedDeviceTable
{
    // Every device with its full record, in order.
    QList<Device> devices;
    // Address -> the holder's name; a device not listed is paired nowhere.
    QHash<QString, QString> holders;

    QList<Device> heldBy(const QString &holder) const
    {
        QList<Device> held;
        for (const Device &device : devices) {
            if (holders.value(device.macAddress()) == holder) {
                held.append(device);
            }
        }
        return held;
    }
    bool knows(const QString &address) const
    {
        return std::any_of(devices.cbegin(), devices.cend(),
                           [&](const Device &device) { return device.macAddress() == address; });
    }
};

// An inner manager that answers what the test set and counts every call. Joined to a shared table
// (scripted mode) it plays one computer's Bluetooth: it lists, reports connected, pairs and unpairs
// the table's devices as that holder. Results and statuses set per address win in both modes.
class FakeBluetoothDeviceManager final : public BluetoothDeviceManagerProtocol
{
    Q_OBJECT

public:
    FakeBluetoothDeviceManager() = default;
    FakeBluetoothDeviceManager(std::shared_ptr<SharedDeviceTable> table, QString holder)
        : table(std::move(table))
        , holder(std::move(holder))
    { }

    QList<Device> pairedDevices() const override { return published; }
    QCoro::Task<QList<Device>> getPairedDevices() override
    {
        ++listCalls;
        // GCC 12 moves from a member named in co_return.
        const QList<Device> copy = table ? table->heldBy(holder) : devices;
        co_return copy;
    }
    QCoro::Task<ConnectionStatus> getConnectionStatus(Device device) override
    {
        ++statusCalls;
        // Read when asked, delivered when released: an answer that arrives late.
        const auto scripted = statuses.constFind(device.macAddress());
        const ConnectionStatus status = scripted != statuses.cend() ? *scripted
            : table ? (table->holders.value(device.macAddress()) == holder ? ConnectionStatus::Connected
                                                                           : ConnectionStatus::NotPaired)
                    : ConnectionStatus::NotPaired;
        if (holdStatusLookups) {
            co_await qCoro(this, &FakeBluetoothDeviceManager::statusLookupsReleased);
        }
        co_return status;
    }
    QCoro::Task<OperationResult> pairDevice(QString macAddress) override
    {
        pairCalls.append(macAddress);
        if (holdPairs) {
            co_await qCoro(this, &FakeBluetoothDeviceManager::pairsReleased);
        }
        const auto scripted = pairResults.constFind(macAddress);
        const OperationResult result = scripted != pairResults.cend() ? *scripted
            : table                                                   ? pairFromTable(macAddress)
                                                                      : pairResult;
        co_return result;
    }
    QCoro::Task<OperationResult> unpairDevice(QString macAddress) override
    {
        unpairCalls.append(macAddress);
        if (holdUnpairs) {
            co_await qCoro(this, &FakeBluetoothDeviceManager::unpairsReleased);
        }
        const auto scripted = unpairResults.constFind(macAddress);
        const OperationResult result = scripted != unpairResults.cend() ? *scripted
            : table                                                     ? unpairFromTable(macAddress)
                                                                        : unpairResult;
        co_return result;
    }
    QCoro::Task<> bootstrapBluetooth() override
    {
        ++bootstrapCalls;
        published = table ? table->heldBy(holder) : devices;
        Q_EMIT pairedDevicesChanged(published);
        co_return;
    }
    void watchBluetoothService() override { ++watchCalls; }

    void releaseStatusLookups()
    {
        holdStatusLookups = false;
        Q_EMIT statusLookupsReleased();
    }
    void releaseUnpairs()
    {
        holdUnpairs = false;
        Q_EMIT unpairsReleased();
    }
    void releasePairs()
    {
        holdPairs = false;
        Q_EMIT pairsReleased();
    }

    std::shared_ptr<SharedDeviceTable> table;
    QString holder;
    QList<Device> devices;
    QList<Device> published;
    QHash<QString, ConnectionStatus> statuses;
    OperationResult pairResult{true, QStringLiteral("Device paired and connected successfully")};
    OperationResult unpairResult{true, QStringLiteral("Device unpaired successfully")};
    QHash<QString, OperationResult> pairResults;
    QHash<QString, OperationResult> unpairResults;
    int listCalls = 0;
    int statusCalls = 0;
    int bootstrapCalls = 0;
    int watchCalls = 0;
    QStringList pairCalls;
    QStringList unpairCalls;
    // While set, status lookups wait for releaseStatusLookups().
    bool holdStatusLookups = false;
    // While set, unpairs wait for releaseUnpairs().
    bool holdUnpairs = false;
    // While set, pairings wait for releasePairs().
    bool holdPairs = false;

Q_SIGNALS:
    void statusLookupsReleased();
    void unpairsReleased();
    void pairsReleased();

private:
    OperationResult pairFromTable(const QString &macAddress)
    {
        if (!table->knows(macAddress)) {
            return OperationResult::failure(QStringLiteral("Device not found"),
                                            OperationFailureCategory::ValidationFailed);
        }
        const QString current = table->holders.value(macAddress);
        if (!current.isEmpty() && current != holder) {
            return OperationResult::failure(QStringLiteral("Device is paired with another computer"),
                                            OperationFailureCategory::Conflict);
        }
        table->holders.insert(macAddress, holder);
        return pairResult;
    }
    OperationResult unpairFromTable(const QString &macAddress)
    {
        if (table->holders.value(macAddress) != holder) {
            return OperationResult::failure(QStringLiteral("Device is not paired"),
                                            OperationFailureCategory::ValidationFailed);
        }
        table->holders.remove(macAddress);
        return unpairResult;
    }
};

} // namespace verandel::test
