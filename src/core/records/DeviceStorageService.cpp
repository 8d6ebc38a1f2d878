#include "records/DeviceStorageService.h"

#include "records/StorageCalls.h"

#include <QSet>

namespace verandel {

// The two spellings of a lookup or a removal differ only in their log lines; "%1" is the argument.
struct DeviceStorageService::LogLines
{
    QString start;
    QString failure;
    QString notFound;
    // From the device's name and the argument.
    QString (*done)(const QString &name, const QString &argument);
};

DeviceStorageService::DeviceStorageService(StorageManagerPtr storageManager, LoggerFactory &loggerFactory,
                                           ClockPtr clock)
    : m_storageManager(std::move(storageManager))
    , m_logger(loggerFactory.createLogger(QStringLiteral("DeviceStorageService")))
    , m_clock(std::move(clock))
{
    try {
        m_storageManager->ensureStorageDirectory();
    } catch (const std::exception &error) {
        m_logger->error(
            QStringLiteral("Failed to ensure storage directory during DeviceStorageService initialization: ")
            + describeError(error));
    }
}

QList<Device> DeviceStorageService::loadDevices()
{
    return asStorageError([this] {
        const QString path = m_storageManager->devicesStorageURL();
        if (!m_storageManager->fileExists(path)) {
            m_logger->debug(QStringLiteral("Devices file doesn't exist, returning empty array"));
            return QList<Device>{};
        }
        return m_storageManager->readJSONSync<QList<Device>>(path);
    });
}

void DeviceStorageService::saveDevices(const QList<Device> &devices)
{
    asStorageError([&] { m_storageManager->writeJSONSync(devices, m_storageManager->devicesStorageURL()); });
}

QList<Device> DeviceStorageService::listDevices()
{
    std::lock_guard guard(m_mutex);
    QList<Device> devices;
    try {
        devices = loadDevices();
    } catch (const StorageError &error) {
        m_logger->error(QStringLiteral("Failed to list devices: ") + error.errorDescription());
        throw;
    }
    m_logger->info(QStringLiteral("Successfully loaded %1 devices from storage").arg(devices.size()));
    std::stable_sort(devices.begin(), devices.end());
    return devices;
}

std::optional<Device> DeviceStorageService::findDevice(const QString &macAddress, const LogLines &lines)
{
    std::lock_guard guard(m_mutex);
    m_logger->debug(lines.start.arg(macAddress));
    QList<Device> devices;
    try {
        devices = loadDevices();
    } catch (const StorageError &error) {
        m_logger->error(lines.failure + error.errorDescription());
        throw;
    }
    const auto found = std::find_if(devices.cbegin(), devices.cend(),
                                    [&](const Device &device) { return device.macAddress() == macAddress; });
    if (found == devices.cend()) {
        m_logger->debug(lines.notFound.arg(macAddress));
        return std::nullopt;
    }
    m_logger->debug(lines.done(found->name(), macAddress));
    return *found;
}

std::optional<Device> DeviceStorageService::getDevice(const QString &id)
{
    static const LogLines lines{QStringLiteral("Getting device with ID: %1"), QStringLiteral("Failed to get device: "),
                                QStringLiteral("Device not found: %1"), [](const QString &name, const QString &) {
                                    return QStringLiteral("Found device: ") + name;
                                }};
    return findDevice(id, lines);
}

std::optional<Device> DeviceStorageService::getDeviceByMacAddress(const QString &macAddress)
{
    static const LogLines lines{
        QStringLiteral("Getting device with MAC address: %1"), QStringLiteral("Failed to get device by MAC address: "),
        QStringLiteral("Device not found with MAC address: %1"),
        [](const QString &, const QString &mac) { return QStringLiteral("Found device with MAC address: ") + mac; }};
    return findDevice(macAddress, lines);
}

Device DeviceStorageService::addDevice(const DeviceInput &input)
{
    std::lock_guard guard(m_mutex);
    m_logger->info(QStringLiteral("Adding new device: ") + input.name);
    const Device device = input.toDevice(m_clock->now());
    try {
        QList<Device> devices = loadDevices();
        const bool duplicate = std::any_of(devices.cbegin(), devices.cend(), [&](const Device &stored) {
            return stored.macAddress() == device.macAddress();
        });
        if (duplicate) {
            const QString message
                = QStringLiteral("Device with MAC address %1 already exists").arg(device.macAddress());
            m_logger->error(message);
            throw StorageError::invalidData(message);
        }
        devices.append(device);
        saveDevices(devices);
    } catch (const StorageError &error) {
        m_logger->error(QStringLiteral("Failed to add device: ") + error.errorDescription());
        throw;
    }
    m_logger->info(QStringLiteral("Successfully added device with ID: ") + device.macAddress());
    return device;
}

bool DeviceStorageService::updateDevice(const Device &device)
{
    std::lock_guard guard(m_mutex);
    m_logger->info(QStringLiteral("Updating device: %1 (ID: %2)").arg(device.name(), device.macAddress()));
    try {
        QList<Device> devices = loadDevices();
        const auto stored = std::find_if(devices.begin(), devices.end(), [&](const Device &candidate) {
            return candidate.macAddress() == device.macAddress();
        });
        if (stored == devices.end()) {
            m_logger->error(QStringLiteral("Device not found for update: ") + device.macAddress());
            throw StorageError::fileNotFound(QStringLiteral("Device with ID %1 not found").arg(device.macAddress()));
        }
        *stored = device.withUpdatedTimestamp(m_clock->now());
        saveDevices(devices);
    } catch (const StorageError &error) {
        m_logger->error(QStringLiteral("Failed to update device: ") + error.errorDescription());
        throw;
    }
    m_logger->info(QStringLiteral("Successfully updated device: ") + device.macAddress());
    return true;
}

bool DeviceStorageService::removeDevice(const QString &macAddress, const LogLines &lines)
{
    std::lock_guard guard(m_mutex);
    m_logger->info(lines.start.arg(macAddress));
    try {
        QList<Device> devices = loadDevices();
        const auto found = std::find_if(devices.cbegin(), devices.cend(),
                                        [&](const Device &device) { return device.macAddress() == macAddress; });
        if (found == devices.cend()) {
            m_logger->info(lines.notFound.arg(macAddress));
            return false;
        }
        const QString name = found->name();
        devices.erase(found);
        saveDevices(devices);
        m_logger->info(lines.done(name, macAddress));
        return true;
    } catch (const StorageError &error) {
        m_logger->error(lines.failure + error.errorDescription());
        throw;
    }
}

bool DeviceStorageService::deleteDevice(const QString &id)
{
    static const LogLines lines{
        QStringLiteral("Deleting device with ID: %1"), QStringLiteral("Failed to delete device: "),
        QStringLiteral("Device not found for deletion: %1"), [](const QString &name, const QString &id) {
            return QStringLiteral("Successfully deleted device: %1 (ID: %2)").arg(name, id);
        }};
    return removeDevice(id, lines);
}

bool DeviceStorageService::deleteDeviceByMacAddress(const QString &macAddress)
{
    static const LogLines lines{QStringLiteral("Deleting device with MAC address: %1"),
                                QStringLiteral("Failed to delete device by MAC address: "),
                                QStringLiteral("Device not found for deletion: %1"),
                                [](const QString &name, const QString &mac) {
                                    return QStringLiteral("Successfully deleted device: %1 (MAC: %2)").arg(name, mac);
                                }};
    return removeDevice(macAddress, lines);
}

void DeviceStorageService::saveOrUpdateDevice(const Device &device)
{
    std::lock_guard guard(m_mutex);
    const QString &mac = device.macAddress();
    m_logger->info(QStringLiteral("Saving or updating device: %1 (MAC: %2)").arg(device.name(), mac));
    try {
        if (!getDeviceByMacAddress(mac)) {
            m_logger->debug(QStringLiteral("Device with MAC %1 doesn't exist, adding").arg(mac));
            addDevice(DeviceInput{mac, device.name(), device.telemetryDeviceId(), device.detectionAttributes()});
        } else {
            m_logger->debug(QStringLiteral("Device with MAC %1 exists, updating").arg(mac));
            updateDevice(device);
        }
    } catch (const StorageError &error) {
        m_logger->error(QStringLiteral("Failed to save or update device: ") + error.errorDescription());
        throw;
    }
    m_logger->info(QStringLiteral("Successfully saved or updated device: ") + device.name());
}

bool DeviceStorageService::deviceExists(const QString &macAddress)
{
    m_logger->debug(QStringLiteral("Checking if device exists with MAC address: ") + macAddress);
    bool exists = false;
    try {
        exists = getDeviceByMacAddress(macAddress).has_value();
    } catch (const StorageError &error) {
        m_logger->error(QStringLiteral("Failed to check device existence: ") + error.errorDescription());
        throw;
    }
    m_logger->debug(QStringLiteral("Device exists: ") + (exists ? QStringLiteral("true") : QStringLiteral("false")));
    return exists;
}

int DeviceStorageService::getDevicesCount()
{
    std::lock_guard guard(m_mutex);
    qsizetype count = 0;
    try {
        count = loadDevices().size();
    } catch (const StorageError &error) {
        m_logger->error(QStringLiteral("Failed to get devices count: ") + error.errorDescription());
        throw;
    }
    m_logger->debug(QStringLiteral("Devices count: %1").arg(count));
    return static_cast<int>(count);
}

bool DeviceStorageService::hasDevices()
{
    return getDevicesCount() > 0;
}

QList<Device> DeviceStorageService::addDevices(const QList<DeviceInput> &inputs)
{
    std::lock_guard guard(m_mutex);
    m_logger->info(QStringLiteral("Adding %1 devices in batch").arg(inputs.size()));
    if (inputs.isEmpty()) {
        return {};
    }
    QList<Device> added;
    try {
        QList<Device> devices = loadDevices();
        QSet<QString> taken;
        for (const Device &device : devices) {
            taken.insert(device.macAddress());
        }
        for (const DeviceInput &input : inputs) {
            const Device device = input.toDevice(m_clock->now());
            if (taken.contains(device.macAddress())) {
                m_logger->log(QStringLiteral("Skipping duplicate MAC address: ") + device.macAddress());
                continue;
            }
            taken.insert(device.macAddress());
            added.append(device);
        }
        devices.append(added);
        saveDevices(devices);
    } catch (const StorageError &error) {
        m_logger->error(QStringLiteral("Failed to add devices in batch: ") + error.errorDescription());
        throw;
    }
    m_logger->info(QStringLiteral("Successfully added %1 devices in batch").arg(added.size()));
    return added;
}

int DeviceStorageService::deleteDevices(const QStringList &ids)
{
    std::lock_guard guard(m_mutex);
    m_logger->info(QStringLiteral("Deleting %1 devices in batch").arg(ids.size()));
    if (ids.isEmpty()) {
        return 0;
    }
    qsizetype removed = 0;
    try {
        QList<Device> devices = loadDevices();
        const QSet<QString> doomed(ids.cbegin(), ids.cend());
        removed = devices.removeIf([&](const Device &device) { return doomed.contains(device.macAddress()); });
        if (removed > 0) {
            saveDevices(devices);
        }
    } catch (const StorageError &error) {
        m_logger->error(QStringLiteral("Failed to delete devices in batch: ") + error.errorDescription());
        throw;
    }
    m_logger->info(QStringLiteral("Successfully deleted %1 devices in batch").arg(removed));
    return static_cast<int>(removed);
}

} // namespace verandel
