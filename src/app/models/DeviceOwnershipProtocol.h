#pragma once

#include "transfer/DeviceOwnershipService.h"

#include <QObject>

#include <memory>

namespace verandel {

// What the tray and the Control Center read of device ownership, so they can be driven by a fake.
// DeviceOwnershipAdapter forwards to the real service.
class DeviceOwnershipProtocol : public QObject
{
    Q_OBJECT

public:
    using OwnershipMap = DeviceOwnershipService::OwnershipMap;

    using QObject::QObject;
    ~DeviceOwnershipProtocol() override = default;

    virtual OwnershipMap currentOwnershipState() const = 0;
    virtual QStringList devicesOwnedBy(const QUuid &macId) const = 0;
    // An empty list changes nothing; otherwise publishes the new map (possibly from inside this call).
    virtual void setOwner(const QUuid &macId, const QStringList &macAddresses) = 0;

Q_SIGNALS:
    void ownershipStateChanged(const verandel::DeviceOwnershipService::OwnershipMap &ownership);
};

using DeviceOwnershipProtocolPtr = std::shared_ptr<DeviceOwnershipProtocol>;

} // namespace verandel
