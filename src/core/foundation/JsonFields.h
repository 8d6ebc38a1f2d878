#pragma once

#include "foundation/JsonDecodeError.h"

#include <QDateTime>
#include <QJsonObject>
#include <QJsonValue>
#include <QString>
#include <QStringView>
#include <QUuid>

#include <limits>
#include <optional>

namespace verandel::json {

// Field readers for hand-written fromJson(): absent and null read as "no value" for the optional
// forms; a present value of the wrong type throws JsonDecodeError naming the key.

QJsonObject requireObject(const QJsonValue &value, const QString &what);

// The value whatever its type.
QJsonValue requireValue(const QJsonObject &object, const QString &key);

QString requireString(const QJsonObject &object, const QString &key);
std::optional<QString> optionalString(const QJsonObject &object, const QString &key);

bool requireBool(const QJsonObject &object, const QString &key);
std::optional<bool> optionalBool(const QJsonObject &object, const QString &key);

// Whole numbers only, within the range of the result type.
qint64 requireInteger(const QJsonObject &object, const QString &key, qint64 min, qint64 max);
std::optional<qint64> optionalInteger(const QJsonObject &object, const QString &key, qint64 min, qint64 max);

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

double requireDouble(const QJsonObject &object, const QString &key);
std::optional<double> optionalDouble(const QJsonObject &object, const QString &key);

QUuid requireUuid(const QJsonObject &object, const QString &key);
std::optional<QUuid> optionalUuid(const QJsonObject &object, const QString &key);

QDateTime requireDate(const QJsonObject &object, const QString &key);
std::optional<QDateTime> optionalDate(const QJsonObject &object, const QString &key);

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

// ISO-8601 with whole seconds in UTC: "2026-12-07T10:15:30Z".
QString toIso8601(const QDateTime &date);
// Accepts "Z" or a numeric offset; refuses text without a time zone.
std::optional<QDateTime> fromIso8601(const QString &text);

// Canonical UUID text: 36 characters, upper case, no braces.
QString uuidToString(const QUuid &uuid);
// Strict: exactly 36 characters of hexadecimal digits and hyphens in 8-4-4-4-12, either case.
std::optional<QUuid> uuidFromString(const QString &text);

} // namespace verandel::json
