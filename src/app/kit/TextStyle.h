#pragma once

namespace verandel {

// The text styles of every window, each a size relative to the application font (Theme::font).
enum class TextStyle {
    Title, // a tab's heading
    Headline, // a card's heading (semibold)
    Body,
    Callout, // steps and banner titles
    Subheadline, // a card's explanation
    Caption, // secondary lines, badges
    CodeLarge, // one symbol of the security code (monospaced, semibold)
    CodeInline, // a security code inside a row (monospaced, semibold)
};

} // namespace verandel
