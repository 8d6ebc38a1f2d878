#pragma once

#include "models/DeviceOwnershipProtocol.h"

#include <QList>

namespace verandel::test {

// An ownership map in memory that, like the real service, publishes from inside setOwner.
class FakeDeviceOwnership final : public DeviceOwnershipProtocol
{
public:
    OwnershipMap currentOwnershipState() const override { return ownership; }
    QStringList devicesOwnedBy(const QUuid &macId) const override { return ownership.keys(macId); }
    void setOwner(const QUuid &macId, const QStringList &macAddresses) override
    {
        setOwnerCalls.append({macId, macAddresses});
        if (macAddresses.isEmpty()) {
            return;
        }
        for (const QString &address : macAddresses) {
            ownership.insert(address, macId);
        }
        Q_EMIT ownershipStateChanged(ownership);
    }
    // Changes the map without publishing, as a service whose publication has not arrived yet.
    void setQuietly(OwnershipMap map) { ownership = std::move(map); }
    void publish(OwnershipMap map)
    {
        ownership = std::move(map);
        Q_EMIT ownershipStateChanged(ownership);
    }

    OwnershipMap ownership;
    QList<std::pair<QUuid, QStringList>> setOwnerCalls;
};

} // namespace verandel::test
