#include "records/DeviceState.h"

#include "records/DeviceDisplayNamePolicy.h"
#include "records/NameOrdering.h"

#include <QStringList>

namespace verandel {

DeviceState::DeviceState(Device device, ConnectionStatus connectionStatus, SharingStatus sharingStatus,
                         bool isSupported, DeviceType classifiedDeviceType)
    : m_device(std::move(device))
    , m_connectionStatus(connectionStatus)
    , m_sharingStatus(sharingStatus)
    , m_isSupported(isSupported)
    , m_classifiedDeviceType(classifiedDeviceType)
{ }

QString DeviceState::displayName() const
{
    return DeviceDisplayNamePolicy::displayName(m_device.name(), m_device.macAddress(), m_classifiedDeviceType);
}

QString DeviceState::statusSummary() const
{
    QStringList parts{verandel::displayName(m_connectionStatus), verandel::displayName(m_sharingStatus)};
    if (!m_isSupported) {
        parts.append(QStringLiteral("Unsupported"));
    }
    return parts.join(QStringLiteral(" \u2022 "));
}

QString DeviceState::primaryIconName() const
{
    if (!m_isSupported) {
        return QStringLiteral("exclamationmark.triangle");
    }
    return isShared() ? QStringLiteral("square.and.arrow.up") : QStringLiteral("circle");
}

DeviceState DeviceState::withConnectionStatus(ConnectionStatus status) const
{
    DeviceState copy = *this;
    copy.m_connectionStatus = status;
    return copy;
}

DeviceState DeviceState::withSharingStatus(SharingStatus status) const
{
    DeviceState copy = *this;
    copy.m_sharingStatus = status;
    return copy;
}

DeviceState DeviceState::withDevice(Device device) const
{
    DeviceState copy = *this;
    copy.m_device = std::move(device);
    return copy;
}

DeviceState DeviceState::withSupportStatus(bool isSupported) const
{
    DeviceState copy = *this;
    copy.m_isSupported = isSupported;
    return copy;
}

QString DeviceState::description() const
{
    return QStringLiteral("DeviceState(device: %1, connection: %2, sharing: %3, supported: %4, classifiedType: %5)")
        .arg(m_device.description(), verandel::displayName(m_connectionStatus), verandel::displayName(m_sharingStatus),
             m_isSupported ? QStringLiteral("true") : QStringLiteral("false"),
             verandel::displayName(m_classifiedDeviceType));
}

bool operator<(const DeviceState &a, const DeviceState &b)
{
    if (a.m_sharingStatus != b.m_sharingStatus) {
        return a.isShared();
    }
    if (a.m_isSupported != b.m_isSupported) {
        return a.m_isSupported;
    }
    if (a.isConnected() != b.isConnected()) {
        return a.isConnected();
    }
    return compareNames(a.m_device.name(), b.m_device.name()) < 0;
}

size_t qHash(const DeviceState &state, size_t seed)
{
    return qHashMulti(seed, state.device(), static_cast<int>(state.connectionStatus()),
                      static_cast<int>(state.sharingStatus()), state.isSupported(),
                      static_cast<int>(state.classifiedDeviceType()));
}

} // namespace verandel
