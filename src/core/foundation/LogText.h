#pragma once

#include <QString>
#include <QStringView>

namespace verandel {

// Text from outside (peers, the network) written into a log line: control characters (C0, DEL, C1)
// become visible escapes ("\n", "\t", "\u001B"), so a peer cannot forge or break up log lines.
QString escapeControlCharacters(QStringView text);

// The same text with every control character removed, for peer-chosen names and codes before use.
QString stripControlCharacters(QStringView text);

bool isControlCharacter(char16_t c);

} // namespace verandel
