#pragma once

#include "records/ConnectionStatus.h"
#include "records/Device.h"
#include "records/SharingStatus.h"

namespace verandel {

// One row of a device list: a device with what this computer currently knows about it.
class DeviceState
{
public:
    DeviceState(Device device, ConnectionStatus connectionStatus, SharingStatus sharingStatus, bool isSupported,
                DeviceType classifiedDeviceType);

    const Device &device() const { return m_device; }
    ConnectionStatus connectionStatus() const { return m_connectionStatus; }
    SharingStatus sharingStatus() const { return m_sharingStatus; }
    bool isSupported() const { return m_isSupported; }
    DeviceType classifiedDeviceType() const { return m_classifiedDeviceType; }

    const QString &id() const { return m_device.macAddress(); }
    const QString &name() const { return m_device.name(); }
    const QString &macAddress() const { return m_device.macAddress(); }
    QString displayName() const;

    bool isConnected() const { return m_connectionStatus == ConnectionStatus::Connected; }
    bool isShared() const { return m_sharingStatus == SharingStatus::Shared; }
    bool isUsable() const { return isConnected() && m_isSupported; }
    bool canBeShared() const { return true; }

    // "Connected • Allowed", with " • Unsupported" appended for an unsupported device.
    QString statusSummary() const;
    QString primaryIconName() const;

    DeviceState withConnectionStatus(ConnectionStatus status) const;
    DeviceState withSharingStatus(SharingStatus status) const;
    DeviceState withDevice(Device device) const;
    DeviceState withSupportStatus(bool isSupported) const;

    QString description() const;

    bool operator==(const DeviceState &) const = default;

    // Shared first, then supported first, then connected first, then by raw name (see compareNames).
    // Every status other than connected is one rank, so the names decide between them and this is a
    // strict weak ordering that any sort may use.
    friend bool operator<(const DeviceState &a, const DeviceState &b);
    friend bool operator>(const DeviceState &a, const DeviceState &b) { return b < a; }
    friend bool operator<=(const DeviceState &a, const DeviceState &b) { return !(b < a); }
    friend bool operator>=(const DeviceState &a, const DeviceState &b) { return !(a < b); }

private:
    Device m_device;
    ConnectionStatus m_connectionStatus;
    SharingStatus m_sharingStatus;
    bool m_isSupported;
    DeviceType m_classifiedDeviceType;
};

size_t qHash(const DeviceState &state, size_t seed = 0);

} // namespace verandel
