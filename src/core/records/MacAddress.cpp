#include "records/MacAddress.h"

namespace verandel::MacAddress {

namespace {

constexpr qsizetype addressLength = 17; // six pairs, five separators

bool isHexDigit(QChar c)
{
    const char16_t u = c.unicode();
    return (u >= u'0' && u <= u'9') || (u >= u'a' && u <= u'f') || (u >= u'A' && u <= u'F');
}

} // namespace

std::optional<QString> canonicalize(QStringView text)
{
    if (text.size() != addressLength) {
        return std::nullopt;
    }
    const QChar separator = text.at(2);
    if (separator != u':' && separator != u'-') {
        return std::nullopt;
    }
    QString result;
    result.reserve(addressLength);
    for (qsizetype i = 0; i < addressLength; ++i) {
        const QChar c = text.at(i);
        if (i % 3 == 2) {
            if (c != separator) {
                return std::nullopt;
            }
            result.append(u':');
        } else {
            if (!isHexDigit(c)) {
                return std::nullopt;
            }
            result.append(c.toLower());
        }
    }
    return result;
}

bool isValid(QStringView text)
{
    return canonicalize(text).has_value();
}

QString normalized(QStringView text)
{
    return canonicalize(text).value_or(text.toString());
}

bool isCanonical(QStringView text)
{
    const std::optional<QString> canonical = canonicalize(text);
    return canonical && *canonical == text;
}

} // namespace verandel::MacAddress
