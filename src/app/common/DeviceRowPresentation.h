#pragma once

#include "common/DeviceRowCompactMode.h"
#include "kit/ThemeColor.h"

#include "records/DeviceState.h"

#include <optional>

namespace verandel {

// What a device's identity row and card show, derived from the device alone.
struct DeviceRowPresentation
{
    enum class Control {
        StopTransfer,
        AllowTransfer, // a supported device: the prominent button
        AllowAnyway, // a device that may not switch reliably
    };

    QString iconName;
    ThemeColor nameColor;
    ThemeColor statusDotColor;
    QString statusText;
    Control control;
    std::optional<QString> supportingText;
    // The supporting text sits in a box with an info symbol (an experimental device).
    bool supportingTextBoxed;
    QString toolTip;

    static DeviceRowPresentation make(const DeviceState &state, DeviceRowCompactMode mode);
    static QString deviceIconName(DeviceType type);
    static QString controlText(Control control);

    bool operator==(const DeviceRowPresentation &) const = default;
};

} // namespace verandel
