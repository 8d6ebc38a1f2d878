#pragma once

#include "foundation/ClockProtocol.h"
#include "foundation/LoggerFactory.h"
#include "foundation/StorageManager.h"
#include "records/DeviceStorageServiceProtocol.h"

#include <mutex>

namespace verandel {

// The shared devices in "devices.json", in the order they were added. Holds nothing in memory.
class DeviceStorageService final : public DeviceStorageServiceProtocol
{
public:
    // Makes sure the storage directory exists; a failure is only logged.
    DeviceStorageService(StorageManagerPtr storageManager, LoggerFactory &loggerFactory, ClockPtr clock);

    QList<Device> listDevices() override;
    std::optional<Device> getDevice(const QString &id) override;
    std::optional<Device> getDeviceByMacAddress(const QString &macAddress) override;
    Device addDevice(const DeviceInput &input) override;
    bool updateDevice(const Device &device) override;
    bool deleteDevice(const QString &id) override;
    bool deleteDeviceByMacAddress(const QString &macAddress) override;
    void saveOrUpdateDevice(const Device &device) override;
    bool deviceExists(const QString &macAddress) override;
    int getDevicesCount() override;
    bool hasDevices() override;

    // Skips inputs whose address is stored or came earlier in the batch; returns those added.
    QList<Device> addDevices(const QList<DeviceInput> &inputs);
    // Returns how many were removed; writes only when that is more than none.
    int deleteDevices(const QStringList &ids);

private:
    struct LogLines;

    QList<Device> loadDevices();
    void saveDevices(const QList<Device> &devices);
    std::optional<Device> findDevice(const QString &macAddress, const LogLines &lines);
    bool removeDevice(const QString &macAddress, const LogLines &lines);

    StorageManagerPtr m_storageManager;
    LoggerPtr m_logger;
    ClockPtr m_clock;
    // Held from an operation's read to its write, so overlapping changes cannot undo each other.
    // Recursive because saving or updating is made of the other operations, and because the file
    // store's retry pause runs the event loop, which may call in again.
    std::recursive_mutex m_mutex;
};

} // namespace verandel
