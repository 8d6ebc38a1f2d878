#pragma once

#include <QString>
#include <QStringView>

namespace verandel::fuzz {

// What the program promises about text a stranger chose once it has been cleaned: a peer's name holds
// no control or bidi control characters and fits one DNS label; a log line holds no raw control
// characters. Each throws through require() when the promise is broken.
void requireCleanPeerName(const QString &name);
void requireEscapedForLog(const QString &line);

// True for C0 and C1 controls and the bidi controls (U+061C, U+200E, U+200F, U+202A–U+202E,
// U+2066–U+2069).
bool isControlOrBidiControl(char32_t c);

} // namespace verandel::fuzz
