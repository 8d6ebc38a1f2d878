#pragma once

#include "records/Device.h"
#include "records/DeviceType.h"

#include <QString>

namespace verandel {

struct DeviceClassification
{
    DeviceType type;
    bool isSupported;

    bool operator==(const DeviceClassification &) const = default;
};

// Decides which kind of input device a paired device is: by Apple product id, then by the
// class-of-device word, then by name. Stateless; a stored legacy type plays no part. The methods are
// virtual so a test or mock can replace the rule.
class DeviceClassifier
{
public:
    DeviceClassifier() = default;
    virtual ~DeviceClassifier() = default;

    // Lower-cased, trimmed name containing "magic keyboard", "magic trackpad" or "magic mouse".
    virtual DeviceType classifyDevice(const QString &name) const;
    virtual DeviceType classify(const Device &device) const;
    virtual bool isSupported(DeviceType type) const;
    virtual bool isSupported(const QString &deviceName) const;
    virtual DeviceClassification classifyAndCheckSupport(const QString &deviceName) const;
    virtual DeviceClassification classifyAndCheckSupport(const Device &device) const;
};

} // namespace verandel
