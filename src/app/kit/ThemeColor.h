#pragma once

namespace verandel {

// The colours of every window, each derived from the current palette (Theme::color), so that light and
// dark desktop themes both read well.
enum class ThemeColor {
    Accent, // Highlight
    AccentText, // HighlightedText: text on the accent colour
    CardBackground, // Base
    WindowBackground, // Window
    ControlBackground, // Button
    ControlText, // ButtonText
    Separator, // Mid
    PrimaryText, // Text
    SecondaryText, // Text at about 55 %
    Green,
    Orange,
    Red,
    Blue,
};

} // namespace verandel
