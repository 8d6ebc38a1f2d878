#include "peer/dnssd/DnsSdLimits.h"

namespace verandel::dnssd {

QString cutToUtf8Bytes(const QString &text, qsizetype maxBytes)
{
    if (text.toUtf8().size() <= maxBytes) {
        return text;
    }
    return QString::fromUtf8(cutUtf8Bytes(text.toUtf8(), maxBytes));
}

QByteArray cutUtf8Bytes(const QByteArray &bytes, qsizetype maxBytes)
{
    if (maxBytes <= 0) {
        return {};
    }
    if (bytes.size() <= maxBytes) {
        return bytes;
    }
    qsizetype end = maxBytes;
    // Back off over continuation bytes (10xxxxxx) to the lead byte of the character that would be split.
    while (end > 0 && (static_cast<unsigned char>(bytes.at(end)) & 0xC0) == 0x80) {
        --end;
    }
    return bytes.left(end);
}

} // namespace verandel::dnssd
