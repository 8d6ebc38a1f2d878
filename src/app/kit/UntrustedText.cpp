#include "kit/UntrustedText.h"

#include <QTextDocument>

namespace verandel {

QString UntrustedText::elided(const QString &text, int maximumLength)
{
    if (text.size() <= maximumLength || maximumLength < 1) {
        return text;
    }
    int cut = maximumLength - 1;
    if (cut > 0 && text.at(cut - 1).isHighSurrogate()) {
        --cut;
    }
    return text.left(cut) + QChar(0x2026);
}

QString UntrustedText::isolated(const QString &text)
{
    return QChar(0x2068) + text + QChar(0x2069);
}

QString UntrustedText::toolTip(const QString &text)
{
    return text.isEmpty() ? QString() : Qt::convertFromPlainText(text, Qt::WhiteSpaceNormal);
}

QString UntrustedText::mnemonicSafe(const QString &text)
{
    QString safe = text;
    return safe.replace(QLatin1Char('&'), QStringLiteral("&&"));
}

} // namespace verandel
