#pragma once

#include "records/DeviceState.h"

#include <QList>
#include <QObject>

namespace verandel {

// The devices allowed for transfer, as the Devices view model publishes them; the Control Center reads
// only this.
class SharedDevicesSource : public QObject
{
    Q_OBJECT

public:
    using QObject::QObject;
    ~SharedDevicesSource() override = default;

    virtual QList<DeviceState> verandelDevices() const = 0;

Q_SIGNALS:
    // Announced for every new list, also an unchanged one.
    void verandelDevicesChanged();
};

} // namespace verandel
