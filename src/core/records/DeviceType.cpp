#include "records/DeviceType.h"

#include "foundation/EnumText.h"
#include "foundation/JsonDecodeError.h"

namespace verandel {

QString toString(DeviceType type)
{
    switch (type) {
    case DeviceType::MagicKeyboard: return QStringLiteral("magic_keyboard");
    case DeviceType::MagicTrackpad: return QStringLiteral("magic_trackpad");
    case DeviceType::MagicMouse: return QStringLiteral("magic_mouse");
    case DeviceType::Other: return QStringLiteral("other");
    }
    return {};
}

std::optional<DeviceType> deviceTypeFromString(QStringView text)
{
    return enumFromString(allDeviceTypes, text);
}

QString displayName(DeviceType type)
{
    switch (type) {
    case DeviceType::MagicKeyboard: return QStringLiteral("Magic Keyboard");
    case DeviceType::MagicTrackpad: return QStringLiteral("Magic Trackpad");
    case DeviceType::MagicMouse: return QStringLiteral("Magic Mouse");
    case DeviceType::Other: return QStringLiteral("Other");
    }
    return {};
}

QString deviceIconName(DeviceType type)
{
    switch (type) {
    case DeviceType::MagicKeyboard: return QStringLiteral("keyboard");
    case DeviceType::MagicTrackpad: return QStringLiteral("rectangle.filled.and.hand.point.up.left");
    case DeviceType::MagicMouse: return QStringLiteral("magicmouse");
    case DeviceType::Other: return QStringLiteral("questionmark.circle");
    }
    return {};
}

QJsonValue toJson(DeviceType type)
{
    return toString(type);
}

DeviceType deviceTypeFromJson(const QJsonValue &json)
{
    if (const std::optional<DeviceType> type = deviceTypeFromString(json.toString()); json.isString() && type) {
        return *type;
    }
    throw JsonDecodeError(QStringLiteral("Invalid DeviceType value"));
}

} // namespace verandel
