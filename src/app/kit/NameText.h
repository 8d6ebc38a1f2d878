#pragma once

#include <QString>

namespace verandel {

// Names from other machines inside menu titles and button texts: cut to a readable length, isolated
// so their direction cannot reorder the sentence around them, and with "&" doubled so Qt draws it
// instead of taking it as a shortcut marker.
class NameText
{
public:
    NameText() = delete;

    // Longer names end in "…" after this many characters.
    static constexpr int maximumLength = 40;

    static QString elided(const QString &name, int maximumLength = NameText::maximumLength);
    // The elided name between U+2068 and U+2069.
    static QString isolated(const QString &name);
    // "&" as "&&", for QAction and QAbstractButton texts.
    static QString mnemonicSafe(const QString &text);
};

} // namespace verandel
