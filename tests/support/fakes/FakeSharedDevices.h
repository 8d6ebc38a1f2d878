#pragma once

#include "models/SharedDevicesSource.h"

namespace verandel::test {

// The shared-device list as the test sets it; every set is announced.
class FakeSharedDevices final : public SharedDevicesSource
{
public:
    QList<DeviceState> verandelDevices() const override { return devices; }
    void set(QList<DeviceState> next)
    {
        devices = std::move(next);
        Q_EMIT verandelDevicesChanged();
    }

    QList<DeviceState> devices;
};

} // namespace verandel::test
