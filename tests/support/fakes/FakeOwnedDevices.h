#pragma once

#include "linking/OwnedDevicesProtocol.h"

#include <QHash>

namespace verandel::test {

// Answers the addresses the test listed for each computer, at once.
class FakeOwnedDevices final : public OwnedDevicesProtocol
{
public:
    QHash<QUuid, QStringList> owned;
    int queries = 0;

    QCoro::Task<QStringList> devicesOwnedByAndConnected(QUuid macId) override
    {
        ++queries;
        const QStringList devices = owned.value(macId);
        co_return devices;
    }
};

} // namespace verandel::test
