#pragma once

#include "records/DeviceStorageServiceProtocol.h"

#include <QDateTime>

namespace verandel::test {

// Shared devices for pictures of the windows: a fixed list that no call changes. Adding answers the
// new record without keeping it; removing and updating report success and keep the list as it is.
class PreviewDeviceStorageService final : public DeviceStorageServiceProtocol
{
public:
    explicit PreviewDeviceStorageService(QList<Device> storedDevices = {})
        : storedDevices(std::move(storedDevices))
    { }

    QList<Device> storedDevices;

    QList<Device> listDevices() override { return storedDevices; }
    // Compares the text with the MAC address.
    std::optional<Device> getDevice(const QString &id) override { return getDeviceByMacAddress(id); }
    std::optional<Device> getDeviceByMacAddress(const QString &macAddress) override
    {
        for (const Device &device : std::as_const(storedDevices)) {
            if (device.macAddress() == macAddress) {
                return device;
            }
        }
        return std::nullopt;
    }
    Device addDevice(const DeviceInput &input) override { return input.toDevice(QDateTime::currentDateTimeUtc()); }
    bool updateDevice(const Device &) override { return true; }
    bool deleteDevice(const QString &) override { return true; }
    bool deleteDeviceByMacAddress(const QString &) override { return true; }
    void saveOrUpdateDevice(const Device &) override { }
    bool deviceExists(const QString &macAddress) override { return getDeviceByMacAddress(macAddress).has_value(); }
    int getDevicesCount() override { return int(storedDevices.size()); }
    bool hasDevices() override { return !storedDevices.isEmpty(); }
};

} // namespace verandel::test
