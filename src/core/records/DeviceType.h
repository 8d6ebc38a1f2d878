#pragma once

#include <QJsonValue>
#include <QString>
#include <QStringView>

#include <array>
#include <optional>

namespace verandel {

// What kind of input device a device is; only the three named kinds can be moved between computers.
enum class DeviceType { MagicKeyboard, MagicTrackpad, MagicMouse, Other };

inline constexpr std::array<DeviceType, 4> allDeviceTypes{DeviceType::MagicKeyboard, DeviceType::MagicTrackpad,
                                                          DeviceType::MagicMouse, DeviceType::Other};

// "magic_keyboard", "magic_trackpad", "magic_mouse", "other".
QString toString(DeviceType type);
std::optional<DeviceType> deviceTypeFromString(QStringView text);
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
