#pragma once

#include "foundation/JsonDecodeError.h"

#include <QJsonArray>
#include <QJsonObject>
#include <QJsonValue>
#include <QList>

namespace verandel {

// How a stored type becomes JSON and back: by default its own toJson()/fromJson(); lists element-wise.
template <typename T>
struct JsonCodec
{
    static QJsonValue encode(const T &value) { return value.toJson(); }
    static T decode(const QJsonValue &json) { return T::fromJson(json); }
};

// Lists element-wise, each element by the element codec (one with the encode/decode pair of JsonCodec).
template <typename T, typename ElementCodec = JsonCodec<T>>
struct JsonListCodec
{
    static QJsonValue encode(const QList<T> &values)
    {
        QJsonArray array;
        for (const T &value : values) {
            array.append(ElementCodec::encode(value));
        }
        return array;
    }
    static QList<T> decode(const QJsonValue &json)
    {
        if (!json.isArray()) {
            throw JsonDecodeError(QStringLiteral("Expected an array"));
        }
        const QJsonArray array = json.toArray();
        QList<T> values;
        values.reserve(array.size());
        for (qsizetype i = 0; i < array.size(); ++i) {
            try {
                values.append(ElementCodec::decode(array.at(i)));
            } catch (const JsonDecodeError &error) {
                throw JsonDecodeError(QStringLiteral("Element %1: %2").arg(QString::number(i), error.description()));
            }
        }
        return values;
    }
};

template <typename T>
struct JsonCodec<QList<T>> : JsonListCodec<T>
{ };

template <>
struct JsonCodec<QJsonObject>
{
    static QJsonValue encode(const QJsonObject &value) { return value; }
    static QJsonObject decode(const QJsonValue &json)
    {
        if (!json.isObject()) {
            throw JsonDecodeError(QStringLiteral("Expected an object"));
        }
        return json.toObject();
    }
};

template <>
struct JsonCodec<QJsonArray>
{
    static QJsonValue encode(const QJsonArray &value) { return value; }
    static QJsonArray decode(const QJsonValue &json)
    {
        if (!json.isArray()) {
            throw JsonDecodeError(QStringLiteral("Expected an array"));
        }
        return json.toArray();
    }
};

namespace json {

// A stored document: pretty-printed with sorted keys (QJsonObject keeps its keys sorted).
// Throws JsonEncodeError for a value that is neither an object nor an array.
QByteArray encodeDocument(const QJsonValue &value);
// Throws JsonDecodeError for bytes that are not one JSON object or array.
QJsonValue decodeDocument(const QByteArray &bytes);

} // namespace json

} // namespace verandel
