#pragma once

#include "models/DeviceOwnershipProtocol.h"

namespace verandel {

// The real ownership service behind DeviceOwnershipProtocol; its signal is passed on as it comes.
class DeviceOwnershipAdapter final : public DeviceOwnershipProtocol
{
public:
    explicit DeviceOwnershipAdapter(DeviceOwnershipServicePtr service, QObject *parent = nullptr);

    OwnershipMap currentOwnershipState() const override { return m_service->currentOwnershipState(); }
    QStringList devicesOwnedBy(const QUuid &macId) const override { return m_service->devicesOwnedBy(macId); }
    void setOwner(const QUuid &macId, const QStringList &macAddresses) override
    {
        m_service->setOwner(macId, macAddresses);
    }

private:
    DeviceOwnershipServicePtr m_service;
};

} // namespace verandel
