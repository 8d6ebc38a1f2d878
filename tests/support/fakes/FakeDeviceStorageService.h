#pragma once

#include "foundation/StorageError.h"
#include "records/DeviceStorageServiceProtocol.h"

#include <QDateTime>

namespace verandel::test {

// The shared devices in memory, in insertion order; `failure`, when set, is thrown by every call.
class FakeDeviceStorageService final : public DeviceStorageServiceProtocol
{
public:
    QList<Device> devices;
    std::optional<StorageError> failure;
    QDateTime now = QDateTime(QDate(2026, 1, 1), QTime(0, 0), Qt::UTC);
    int saves = 0;

    QList<Device> listDevices() override
    {
        check();
        return devices;
    }
    // A device's id is its MAC address.
    std::optional<Device> getDevice(const QString &id) override { return getDeviceByMacAddress(id); }
    std::optional<Device> getDeviceByMacAddress(const QString &macAddress) override
    {
        check();
        const int index = indexOf(macAddress);
        return index < 0 ? std::nullopt : std::optional<Device>(devices.at(index));
    }
    Device addDevice(const DeviceInput &input) override
    {
        check();
        if (indexOf(input.macAddress) >= 0) {
            throw StorageError::invalidData(
                QStringLiteral("Device with MAC address %1 already exists").arg(input.macAddress));
        }
        const Device device = input.toDevice(now);
        devices.append(device);
        return device;
    }
    bool updateDevice(const Device &device) override
    {
        check();
        const int index = indexOf(device.macAddress());
        if (index < 0) {
            throw StorageError::fileNotFound(device.macAddress());
        }
        devices[index] = device;
        return true;
    }
    bool deleteDevice(const QString &id) override { return deleteDeviceByMacAddress(id); }
    bool deleteDeviceByMacAddress(const QString &macAddress) override
    {
        check();
        const int index = indexOf(macAddress);
        if (index < 0) {
            return false;
        }
        devices.removeAt(index);
        return true;
    }
    void saveOrUpdateDevice(const Device &device) override
    {
        check();
        ++saves;
        const int index = indexOf(device.macAddress());
        if (index < 0) {
            devices.append(device);
        } else {
            devices[index] = device;
        }
    }
    bool deviceExists(const QString &macAddress) override
    {
        check();
        return indexOf(macAddress) >= 0;
    }
    int getDevicesCount() override
    {
        check();
        return int(devices.size());
    }
    bool hasDevices() override { return getDevicesCount() > 0; }

private:
    void check() const
    {
        if (failure) {
            throw *failure;
        }
    }
    int indexOf(const QString &macAddress) const
    {
        for (int i = 0; i < devices.size(); ++i) {
            if (devices.at(i).macAddress() == macAddress) {
                return i;
            }
        }
        return -1;
    }
};

} // namespace verandel::test
