#include "foundation/LogText.h"

#include "foundation/JsonFields.h"

#include <algorithm>
#include <charconv>
#include <cmath>

namespace verandel {

bool isControlCharacter(char16_t c)
{
    return c < 0x20 || (c >= 0x7F && c <= 0x9F) || c == 0x2028 || c == 0x2029 || isBidiControl(c);
}

bool isBidiControl(char16_t c)
{
    return c == 0x061C || c == 0x200E || c == 0x200F || (c >= 0x202A && c <= 0x202E) || (c >= 0x2066 && c <= 0x2069);
}

QString escapeControlCharacters(QStringView text)
{
    // A peer's text can be as long as its frame; one line of it must stay readable.
    QStringView shown = text.left(maxLoggedTextLength);
    if (shown.size() < text.size() && shown.back().isHighSurrogate()) {
        shown.chop(1);
    }
    // Most text has nothing to escape: copy it whole rather than a character at a time.
    const auto firstControl
        = std::find_if(shown.begin(), shown.end(), [](QChar c) { return isControlCharacter(c.unicode()); });
    if (firstControl == shown.end() && shown.size() == text.size()) {
        return text.toString();
    }
    QString result;
    result.reserve(shown.size());
    result.append(QStringView(shown.begin(), firstControl));
    for (const QChar qc : QStringView(firstControl, shown.end())) {
        const char16_t c = qc.unicode();
        if (!isControlCharacter(c)) {
            result.append(qc);
            continue;
        }
        switch (c) {
        case u'\n': result.append(QLatin1String("\\n")); break;
        case u'\r': result.append(QLatin1String("\\r")); break;
        case u'\t': result.append(QLatin1String("\\t")); break;
        default:
            result.append(QLatin1String("\\u"));
            result.append(QString::number(static_cast<uint>(c), 16).toUpper().rightJustified(4, QLatin1Char('0')));
            break;
        }
    }
    if (shown.size() < text.size()) {
        result += QStringLiteral("… (%1 more characters)").arg(text.size() - shown.size());
    }
    return result;
}

QString stripControlCharacters(QStringView text)
{
    if (std::none_of(text.begin(), text.end(), [](QChar c) { return isControlCharacter(c.unicode()); })) {
        return text.toString();
    }
    QString result;
    result.reserve(text.size());
    for (const QChar c : text) {
        if (!isControlCharacter(c.unicode())) {
            result.append(c);
        }
    }
    return result;
}

QString formatDouble(double value)
{
    if (std::isnan(value)) {
        return QStringLiteral("nan");
    }
    if (std::isinf(value)) {
        return value > 0 ? QStringLiteral("inf") : QStringLiteral("-inf");
    }
    char buffer[32];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
    QString text = QString::fromLatin1(buffer, result.ptr - buffer);
    if (!text.contains(QLatin1Char('.')) && !text.contains(QLatin1Char('e'))) {
        text += QStringLiteral(".0");
    }
    return text;
}

QString idText(const QUuid &id)
{
    return json::uuidToString(id);
}

} // namespace verandel
