#pragma once

#include "foundation/JsonDecodeError.h"
#include "foundation/JsonFields.h"

#include <QJsonObject>
#include <QString>
#include <QStringView>

#include <limits>
#include <optional>

namespace verandel::json {

// An enumeration stored as its raw value: any other text makes the document unreadable.
template <typename Enum>
std::optional<Enum> optionalEnum(const QJsonObject &object, const QString &key,
                                 std::optional<Enum> (*fromString)(QStringView))
{
    const std::optional<QString> text = optionalString(object, key);
    if (!text) {
        return std::nullopt;
    }
    const std::optional<Enum> value = fromString(*text);
    if (!value) {
        throw JsonDecodeError(QStringLiteral("Unknown value for key \"%1\": %2").arg(key, *text));
    }
    return value;
}

template <typename Enum>
Enum requireEnum(const QJsonObject &object, const QString &key, std::optional<Enum> (*fromString)(QStringView))
{
    const std::optional<Enum> value = optionalEnum(object, key, fromString);
    if (!value) {
        throw JsonDecodeError(QStringLiteral("No value for key \"%1\"").arg(key));
    }
    return *value;
}

// A whole number within the range of T.
template <typename T>
std::optional<T> optionalWithinRange(const QJsonObject &object, const QString &key)
{
    const std::optional<qint64> value
        = optionalInteger(object, key, std::numeric_limits<T>::min(), std::numeric_limits<T>::max());
    if (!value) {
        return std::nullopt;
    }
    return static_cast<T>(*value);
}

} // namespace verandel::json
