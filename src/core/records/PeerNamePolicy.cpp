#include "records/PeerNamePolicy.h"

#include "foundation/LogText.h"

#include <QTextBoundaryFinder>

namespace verandel {

namespace {

qsizetype utf8Length(char32_t codePoint)
{
    return codePoint < 0x80 ? 1 : codePoint < 0x800 ? 2 : codePoint < 0x10000 ? 3 : 4;
}

} // namespace

QString capToUtf8Bytes(const QString &text, qsizetype maxBytes)
{
    qsizetype bytes = 0;
    qsizetype end = 0;
    while (end < text.size()) {
        qsizetype units = 1;
        char32_t codePoint = text.at(end).unicode();
        if (text.at(end).isHighSurrogate() && end + 1 < text.size() && text.at(end + 1).isLowSurrogate()) {
            codePoint = QChar::surrogateToUcs4(text.at(end), text.at(end + 1));
            units = 2;
        }
        if (bytes + utf8Length(codePoint) > maxBytes) {
            break;
        }
        bytes += utf8Length(codePoint);
        end += units;
    }
    if (end == text.size()) {
        return text;
    }
    QTextBoundaryFinder graphemes(QTextBoundaryFinder::Grapheme, text);
    graphemes.setPosition(end);
    if (!graphemes.isAtBoundary()) {
        const qsizetype previous = graphemes.toPreviousBoundary();
        if (previous > 0) {
            end = previous;
        }
    }
    return text.left(end);
}

std::optional<QString> sanitizedPeerName(QStringView name)
{
    const QString capped = capToUtf8Bytes(stripControlCharacters(name).trimmed(), kMaxPeerNameBytes).trimmed();
    if (capped.isEmpty()) {
        return std::nullopt;
    }
    return capped;
}

} // namespace verandel
