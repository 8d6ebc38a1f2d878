#pragma once

#include "records/Device.h"
#include "records/DeviceInput.h"

#include <QList>
#include <QString>

#include <memory>
#include <optional>

namespace verandel {

// The shared devices: those the user allowed for transfer. Every call reads the stored document anew
// and throws StorageError when it cannot be read or written. MAC addresses are compared as exact
// strings (callers pass the canonical form, see MacAddress).
class DeviceStorageServiceProtocol
{
public:
    virtual ~DeviceStorageServiceProtocol() = default;

    // Sorted by name, then newest first.
    virtual QList<Device> listDevices() = 0;
    virtual std::optional<Device> getDevice(const QString &id) = 0;
    virtual std::optional<Device> getDeviceByMacAddress(const QString &macAddress) = 0;
    // Stamps the current time; a stored device with the same address is StorageError::invalidData.
    virtual Device addDevice(const DeviceInput &input) = 0;
    // Replaces the stored device with the same address, re-stamped; none is StorageError::fileNotFound.
    virtual bool updateDevice(const Device &device) = 0;
    // False when no device had that address.
    virtual bool deleteDevice(const QString &id) = 0;
    virtual bool deleteDeviceByMacAddress(const QString &macAddress) = 0;
    // Updates the device with the same address, or adds it stamped with the current time.
    virtual void saveOrUpdateDevice(const Device &device) = 0;
    virtual bool deviceExists(const QString &macAddress) = 0;
    virtual int getDevicesCount() = 0;
    virtual bool hasDevices() = 0;
};

using DeviceStorageServicePtr = std::shared_ptr<DeviceStorageServiceProtocol>;

} // namespace verandel
