#pragma once

#include <QString>
#include <QStringView>

#include <optional>

namespace verandel {

// How long a computer's name may be wherever this program advertises, stores or shows it: one DNS
// label.
inline constexpr qsizetype kMaxPeerNameBytes = 63;

// The longest prefix of at most maxBytes UTF-8 bytes that ends between two user-perceived characters;
// between two code points when even the first character is longer.
QString capToUtf8Bytes(const QString &text, qsizetype maxBytes);

// A name another computer sent: control characters removed, trimmed and capped to kMaxPeerNameBytes;
// none when nothing is left.
std::optional<QString> sanitizedPeerName(QStringView name);

} // namespace verandel
