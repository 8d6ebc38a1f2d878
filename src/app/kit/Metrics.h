#pragma once

namespace verandel {

// Every size and spacing of the windows, in device-independent pixels. Each number has its home here;
// views and tests read them from here instead of writing them again.
struct Metrics
{
    // Cards: the rounded panels every window is built of.
    static constexpr int cardRadius = 8;
    static constexpr int cardBorderWidth = 1;
    static constexpr int cardPadding = 14;
    static constexpr int cardSpacing = 10;
    // A card's header: its symbol, then its title; what the card lists lines up with the two.
    static constexpr int cardHeaderSpacing = 8;

    // Rows inside cards (linked computers, nearby computers, devices).
    static constexpr int rowHorizontalPadding = 14;
    static constexpr int rowVerticalPadding = 10;
    static constexpr int rowSpacing = 12;

    // Icons: the square a symbol is drawn into. A symbol beside text is never smaller than regular.
    static constexpr int iconRegular = 16;
    static constexpr int iconHeading = 18;
    // The tinted circle behind a row's icon, and the symbol inside it.
    static constexpr int iconCircle = 36;
    static constexpr int iconInCircle = 18;

    // Capsule badges: text with an optional leading symbol on a tinted capsule.
    static constexpr int badgeHorizontalPadding = 9;
    static constexpr int badgeVerticalPadding = 4;
    static constexpr int badgeIconSpacing = 4;
    // The compact status badge of a request is a rounded rectangle, not a capsule.
    static constexpr int statusBadgeRadius = 8;
    static constexpr int statusBadgeHorizontalPadding = 7;
    static constexpr int statusBadgeVerticalPadding = 3;

    // Capsule buttons.
    static constexpr int buttonHorizontalPadding = 14;
    static constexpr int buttonVerticalPadding = 5;
    static constexpr int buttonSmallHorizontalPadding = 10;
    static constexpr int buttonSmallVerticalPadding = 3;
    static constexpr int buttonSpacing = 8;
    // The least height of a button's visible shape, whatever its size: easy to hit.
    static constexpr int minimumButtonHeight = 24;
    static constexpr int actionButtonMinimumWidth = 76;
    static constexpr int rejectButtonMinimumWidth = 72;

    // Text fields: as tall as a regular button, a little rounded.
    static constexpr int fieldHorizontalPadding = 8;
    static constexpr int fieldRadius = 6;
    // A field's label stands this far above it.
    static constexpr int fieldLabelSpacing = 4;

    // The switch: track and knob.
    static constexpr int toggleWidth = 38;
    static constexpr int toggleHeight = 22;
    static constexpr int toggleKnobMargin = 2;
    // Room around the track for the focus ring.
    static constexpr int toggleFocusMargin = 2;

    // Banners (errors, undo) inside a window's content column.
    static constexpr int bannerSpacing = 12;
    static constexpr int bannerTextSpacing = 4;

    // Security code: one box per symbol.
    static constexpr int codeBoxWidth = 32;
    static constexpr int codeBoxHeight = 44;
    static constexpr int codeBoxSpacing = 6;

    // Lists inside cards: the line between two rows starts where the row's text does (after the row's
    // padding, its icon circle and the spacing) and stops before the card's border.
    static constexpr int rowDividerInset = rowHorizontalPadding + iconCircle + rowSpacing;
    static constexpr int rowDetailSpacing = 4;

    // A settings tab: one scrolling column, padded, never wider than the maximum, with room kept for
    // the scroll bar.
    static constexpr int contentMaxWidth = 720;
    static constexpr int contentPadding = 20;
    static constexpr int reservedScrollBarWidth = 16;
    static constexpr int tabSectionSpacing = 18;
    static constexpr int tabHeaderSpacing = 6;
    // A section's heading above its card, and the parts inside a screen's card.
    static constexpr int sectionSpacing = 12;
    static constexpr int screenSpacing = 14;
    static constexpr int stepSpacing = 6;
    // Room for a Discovery Mode flow badge where the switch stands otherwise.
    static constexpr int flowBadgeWidth = 112;
    // The empty and loading states of a list card.
    static constexpr int emptyStatePadding = 12;
    static constexpr int loadingVerticalPadding = 24;
    // The indeterminate progress line: beside a text or heading, and in a loading card.
    static constexpr int busyBarHeight = 6;
    static constexpr int busyBarWidth = 60;
    static constexpr int loadingBusyBarWidth = 120;

    // Text styles never go below this, whatever the application font.
    static constexpr double minimumPointSize = 7.5;
};

} // namespace verandel
