#include "kit/NameText.h"

namespace verandel {

QString NameText::elided(const QString &name, int maximumLength)
{
    if (name.size() <= maximumLength || maximumLength < 1) {
        return name;
    }
    int cut = maximumLength - 1;
    // Never split a surrogate pair.
    if (cut > 0 && name.at(cut - 1).isHighSurrogate()) {
        --cut;
    }
    return name.left(cut) + QChar(0x2026);
}

QString NameText::isolated(const QString &name)
{
    return QChar(0x2068) + elided(name) + QChar(0x2069);
}

QString NameText::mnemonicSafe(const QString &text)
{
    QString escaped = text;
    return escaped.replace(QLatin1Char('&'), QStringLiteral("&&"));
}

} // namespace verandel
