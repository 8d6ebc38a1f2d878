#pragma once

#include <QCoro/QCoroTask>
#include <QStringList>
#include <QUuid>

#include <memory>

namespace verandel {

// What the connection monitor reads of the device ownership map for its pings.
class OwnedDevicesProtocol
{
public:
    virtual ~OwnedDevicesProtocol() = default;

    // The stored shared devices that the computer owns and that are connected here, in the device
    // store's order. Never throws.
    virtual QCoro::Task<QStringList> devicesOwnedByAndConnected(QUuid macId) = 0;
};

using OwnedDevicesPtr = std::shared_ptr<OwnedDevicesProtocol>;

} // namespace verandel
