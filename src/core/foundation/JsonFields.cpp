#include "foundation/JsonFields.h"

#include "foundation/JsonDecodeError.h"

#include <QRegularExpression>

#include <cmath>

namespace verandel::json {

namespace {

[[noreturn]] void typeMismatch(const QString &key, const char *expected)
{
    throw JsonDecodeError(QStringLiteral("Expected %1 for key \"%2\"").arg(QLatin1String(expected), key));
}

[[noreturn]] void missing(const QString &key)
{
    throw JsonDecodeError(QStringLiteral("No value for key \"%1\"").arg(key));
}

bool isAbsent(const QJsonValue &value)
{
    return value.isUndefined() || value.isNull();
}

} // namespace

QJsonObject requireObject(const QJsonValue &value, const QString &what)
{
    if (!value.isObject()) {
        throw JsonDecodeError(QStringLiteral("Expected an object for %1").arg(what));
    }
    return value.toObject();
}

QJsonValue requireValue(const QJsonObject &object, const QString &key)
{
    const QJsonValue value = object.value(key);
    if (isAbsent(value)) {
        missing(key);
    }
    return value;
}

std::optional<QString> optionalString(const QJsonObject &object, const QString &key)
{
    const QJsonValue value = object.value(key);
    if (isAbsent(value)) {
        return std::nullopt;
    }
    if (!value.isString()) {
        typeMismatch(key, "a string");
    }
    return value.toString();
}

QString requireString(const QJsonObject &object, const QString &key)
{
    if (auto value = optionalString(object, key)) {
        return *value;
    }
    missing(key);
}

std::optional<bool> optionalBool(const QJsonObject &object, const QString &key)
{
    const QJsonValue value = object.value(key);
    if (isAbsent(value)) {
        return std::nullopt;
    }
    if (!value.isBool()) {
        typeMismatch(key, "a boolean");
    }
    return value.toBool();
}

bool requireBool(const QJsonObject &object, const QString &key)
{
    if (auto value = optionalBool(object, key)) {
        return *value;
    }
    missing(key);
}

std::optional<qint64> optionalInteger(const QJsonObject &object, const QString &key, qint64 min, qint64 max)
{
    const QJsonValue value = object.value(key);
    if (isAbsent(value)) {
        return std::nullopt;
    }
    if (!value.isDouble()) {
        typeMismatch(key, "a number");
    }
    const double number = value.toDouble();
    if (!std::isfinite(number) || std::floor(number) != number || number < static_cast<double>(min)
        || number > static_cast<double>(max)) {
        throw JsonDecodeError(QStringLiteral("Number out of range for key \"%1\"").arg(key));
    }
    return static_cast<qint64>(number);
}

qint64 requireInteger(const QJsonObject &object, const QString &key, qint64 min, qint64 max)
{
    if (auto value = optionalInteger(object, key, min, max)) {
        return *value;
    }
    missing(key);
}

std::optional<double> optionalDouble(const QJsonObject &object, const QString &key)
{
    const QJsonValue value = object.value(key);
    if (isAbsent(value)) {
        return std::nullopt;
    }
    if (!value.isDouble()) {
        typeMismatch(key, "a number");
    }
    return value.toDouble();
}

double requireDouble(const QJsonObject &object, const QString &key)
{
    if (auto value = optionalDouble(object, key)) {
        return *value;
    }
    missing(key);
}

std::optional<QUuid> optionalUuid(const QJsonObject &object, const QString &key)
{
    const std::optional<QString> text = optionalString(object, key);
    if (!text) {
        return std::nullopt;
    }
    const std::optional<QUuid> uuid = uuidFromString(*text);
    if (!uuid) {
        throw JsonDecodeError(QStringLiteral("Invalid UUID string for key \"%1\"").arg(key));
    }
    return uuid;
}

QUuid requireUuid(const QJsonObject &object, const QString &key)
{
    if (auto value = optionalUuid(object, key)) {
        return *value;
    }
    missing(key);
}

std::optional<QDateTime> optionalDate(const QJsonObject &object, const QString &key)
{
    const std::optional<QString> text = optionalString(object, key);
    if (!text) {
        return std::nullopt;
    }
    const std::optional<QDateTime> date = fromIso8601(*text);
    if (!date) {
        throw JsonDecodeError(QStringLiteral("Expected date string to be ISO8601-formatted for key \"%1\"").arg(key));
    }
    return date;
}

QDateTime requireDate(const QJsonObject &object, const QString &key)
{
    if (auto value = optionalDate(object, key)) {
        return *value;
    }
    missing(key);
}

QString toIso8601(const QDateTime &date)
{
    QDateTime utc = date.toUTC();
    utc.setTime(QTime(utc.time().hour(), utc.time().minute(), utc.time().second()));
    return utc.toString(QStringLiteral("yyyy-MM-dd'T'HH:mm:ss'Z'"));
}

std::optional<QDateTime> fromIso8601(const QString &text)
{
    // "yyyy-MM-ddTHH:mm:ss" followed by "Z" or "+hh:mm"/"-hh:mm"; nothing else.
    static const QRegularExpression pattern(
        QStringLiteral("^\\d{4}-\\d{2}-\\d{2}T\\d{2}:\\d{2}:\\d{2}(Z|[+-]\\d{2}:?\\d{2})$"));
    if (!pattern.match(text).hasMatch()) {
        return std::nullopt;
    }
    const QDateTime date = QDateTime::fromString(text, Qt::ISODate);
    if (!date.isValid()) {
        return std::nullopt;
    }
    return date.toUTC();
}

QString uuidToString(const QUuid &uuid)
{
    return uuid.toString(QUuid::WithoutBraces).toUpper();
}

std::optional<QUuid> uuidFromString(const QString &text)
{
    // Hand-checked rather than by pattern: every envelope field goes through here.
    if (text.size() != 36) {
        return std::nullopt;
    }
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char16_t c = text.at(i).unicode();
        const bool hyphenPosition = i == 8 || i == 13 || i == 18 || i == 23;
        const bool hex = (c >= u'0' && c <= u'9') || (c >= u'a' && c <= u'f') || (c >= u'A' && c <= u'F');
        if (hyphenPosition ? c != u'-' : !hex) {
            return std::nullopt;
        }
    }
    return QUuid::fromString(text);
}

} // namespace verandel::json
