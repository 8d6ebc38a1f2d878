#include "records/DeviceType.h"

#include "foundation/JsonDecodeError.h"

namespace verandel {

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
