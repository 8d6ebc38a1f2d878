#pragma once

#include "foundation/EnumText.h"

#include <QJsonValue>

namespace verandel {

// What kind of input device a device is; only the three named kinds can be moved between computers.
enum class DeviceType { MagicKeyboard, MagicTrackpad, MagicMouse, Other };

template <>
inline constexpr auto enumTexts<DeviceType> = std::to_array<EnumText<DeviceType>>({
    {DeviceType::MagicKeyboard, u"magic_keyboard"},
    {DeviceType::MagicTrackpad, u"magic_trackpad"},
    {DeviceType::MagicMouse, u"magic_mouse"},
    {DeviceType::Other, u"other"},
});

inline constexpr auto allDeviceTypes = enumValues<DeviceType>();

inline std::optional<DeviceType> deviceTypeFromString(QStringView text)
{
    return enumFromString<DeviceType>(text);
}

// "Magic Keyboard", "Magic Trackpad", "Magic Mouse", "Other".
QString displayName(DeviceType type);
// Symbol names handed to the user interface as they stand.
QString deviceIconName(DeviceType type);

constexpr bool isSupported(DeviceType type)
{
    return type != DeviceType::Other;
}

QJsonValue toJson(DeviceType type);
// Throws JsonDecodeError for anything but the four raw values.
DeviceType deviceTypeFromJson(const QJsonValue &json);

} // namespace verandel
