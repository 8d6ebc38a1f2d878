#pragma once

#include <QString>

namespace verandel {

// How text from other machines (computer and device names, error texts) enters the windows' own texts.
class UntrustedText
{
public:
    UntrustedText() = delete;

    // Names longer than this end in "…" inside menu and button titles.
    static constexpr int maximumTitleNameLength = 40;

    // `text` cut to that many characters, the last of them "…"; never inside a surrogate pair.
    static QString elided(const QString &text, int maximumLength = maximumTitleNameLength);

    // `text` between U+2068 FIRST STRONG ISOLATE and U+2069 POP DIRECTIONAL ISOLATE: inside a sentence
    // ("Disconnect <name>?") a right-to-left name, or one holding direction marks, keeps its own
    // direction without reordering the sentence around it.
    static QString isolated(const QString &text);
    // A tool tip that shows `text` as it is: Qt guesses whether a tool tip is rich text, so an escaped
    // text alone could still show its entities ("AT&amp;T").
    static QString toolTip(const QString &text);
    // A button or menu title that shows `text` as it is: "&" marks a mnemonic there.
    static QString mnemonicSafe(const QString &text);
};

} // namespace verandel
