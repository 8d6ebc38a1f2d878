#pragma once

#include <QString>
#include <QStringView>
#include <QUuid>

namespace verandel {

// The most characters of one outside text that a log line shows.
inline constexpr qsizetype maxLoggedTextLength = 256;

// Text from outside (peers, the network) written into a log line: control characters (C0, DEL, C1)
// become visible escapes ("\n", "\t", "\u001B"), so a peer cannot forge or break up log lines, and
// only the first maxLoggedTextLength characters are shown, followed by how many more there were.
QString escapeControlCharacters(QStringView text);

// The same text with every control character removed, for peer-chosen names and codes before use.
QString stripControlCharacters(QStringView text);

// C0, DEL, C1 and the line and paragraph separators, and the bidi controls (isBidiControl).
bool isControlCharacter(char16_t c);

// The invisible marks, embeddings, overrides and isolates that reorder the text around them: a name
// holding one can show as another ("Office\u202Eexe.nimda" reads "Officeadmin.exe").
bool isBidiControl(char16_t c);

// An id as log lines show it: its canonical text, upper case without braces.
QString idText(const QUuid &id);

// A number of seconds or the like as log lines show it: the shortest text that reads back as the same
// double, always with a fractional part or an exponent ("5.0", "0.25", "1e-05").
QString formatDouble(double value);

} // namespace verandel
