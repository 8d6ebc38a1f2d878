#include "foundation/LogText.h"

namespace verandel {

bool isControlCharacter(char16_t c)
{
    return c < 0x20 || (c >= 0x7F && c <= 0x9F) || c == 0x2028 || c == 0x2029;
}

QString escapeControlCharacters(QStringView text)
{
    QString result;
    result.reserve(text.size());
    for (const QChar qc : text) {
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
    return result;
}

QString stripControlCharacters(QStringView text)
{
    QString result;
    result.reserve(text.size());
    for (const QChar c : text) {
        if (!isControlCharacter(c.unicode())) {
            result.append(c);
        }
    }
    return result;
}

} // namespace verandel
