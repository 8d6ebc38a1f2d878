#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

namespace verandel::dnssd {

// A DNS label, and so a service instance name, holds at most 63 bytes.
inline constexpr qsizetype kMaxInstanceNameBytes = 63;
// Each TXT string ("key=value") is one length byte plus at most 255 bytes.
inline constexpr qsizetype kMaxTxtEntryBytes = 255;

// The longest prefix of the text whose UTF-8 form fits in the bytes, never splitting a character.
QString cutToUtf8Bytes(const QString &text, qsizetype maxBytes);

// The longest prefix of UTF-8 bytes within the limit that ends on a character boundary.
QByteArray cutUtf8Bytes(const QByteArray &bytes, qsizetype maxBytes);

// The name as Avahi can publish it: cut to kMaxInstanceNameBytes.
inline QString boundedInstanceName(const QString &name)
{
    return cutToUtf8Bytes(name, kMaxInstanceNameBytes);
}

} // namespace verandel::dnssd
