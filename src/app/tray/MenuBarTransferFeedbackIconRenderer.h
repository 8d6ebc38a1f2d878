#pragma once

#include "tray/MenuBarTransferFeedbackVisualState.h"

#include "kit/IconProvider.h"

#include <QIcon>
#include <QImage>

namespace verandel {

// Draws the tray icon: the logo, and for every state but idle a rounded hole cleared in its middle
// with the state's symbol centred in it at the state's size and opacity. The panel's colour is
// unknown (the application palette says nothing about it), so the glyph is light with a dark outline
// and reads on light and dark panels alike.
class MenuBarTransferFeedbackIconRenderer
{
public:
    MenuBarTransferFeedbackIconRenderer() = delete;

    // The name of the logo among the icons.
    static QString logoName() { return QStringLiteral("verandel-logo"); }
    // The sizes trays ask for, each also drawn at twice the pixels.
    static QList<int> sizes() { return {16, 22, 24, 32}; }

    // One picture of `size` device-independent pixels at the ratio, with the badge's letter (if any)
    // drawn over it last.
    static QImage image(const IconProvider &icons, MenuBarTransferFeedbackVisualState state, bool usesAlternatePhase,
                        int size, qreal devicePixelRatio = 1.0, const QString &badge = {});
    // Every size and ratio in one icon.
    static QIcon icon(const IconProvider &icons, MenuBarTransferFeedbackVisualState state, bool usesAlternatePhase,
                      const QString &badge = {});

    // Mock mode's badge, so two instances' icons tell which is which: the first letter of the profile's
    // name, upper case; empty for no name.
    static QString badgeLetter(const QString &profileName);
    // The letter in a dark disc over the bottom-right corner of a finished picture (in its pixels).
    static void drawBadge(QImage &picture, const QString &letter);
    // The disc's place in a picture that many pixels a side.
    static QRect badgeRect(int pixels);
    // The dark ring around the glyph, in pixels, for a picture that many pixels a side; the glyph is
    // drawn that much inside the picture.
    static int outlineWidth(int pixels) { return std::max(1, qRound(pixels / 32.0)); }
    // The hole in a glyph of that many pixels a side.
    static QRectF holeRect(qreal side);
};

} // namespace verandel
