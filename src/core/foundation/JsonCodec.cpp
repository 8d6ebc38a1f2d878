#include "foundation/JsonCodec.h"

#include <QJsonDocument>
#include <QJsonParseError>

namespace verandel::json {

QByteArray encodeDocument(const QJsonValue &value)
{
    if (value.isObject()) {
        return QJsonDocument(value.toObject()).toJson(QJsonDocument::Indented);
    }
    if (value.isArray()) {
        return QJsonDocument(value.toArray()).toJson(QJsonDocument::Indented);
    }
    throw JsonEncodeError(QStringLiteral("Top-level value is neither an object nor an array"));
}

QJsonValue decodeDocument(const QByteArray &bytes)
{
    QJsonParseError parseError{};
    const QJsonDocument document = QJsonDocument::fromJson(bytes, &parseError);
    if (parseError.error != QJsonParseError::NoError) {
        throw JsonDecodeError(QStringLiteral("The data is not valid JSON: %1 at offset %2")
                                  .arg(parseError.errorString(), QString::number(parseError.offset)));
    }
    if (document.isObject()) {
        return document.object();
    }
    if (document.isArray()) {
        return document.array();
    }
    throw JsonDecodeError(QStringLiteral("The data is empty"));
}

} // namespace verandel::json
