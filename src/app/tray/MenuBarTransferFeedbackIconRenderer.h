#pragma once

#include "tray/MenuBarTransferFeedbackVisualState.h"

#include "kit/IconProvider.h"

#include <QIcon>
#include <QImage>
#include <QPainterPath>
#include <QRect>

namespace verandel {

// Draws the tray icon: the logo (a light disc with a V cut into it), and for every state but idle a
// rounded hole cut into the disc's middle with the state's symbol in it at the state's size and opacity.
// The tray host says nothing about the panel's colour, so the disc is light with a dark rim and every
// cut (the V, the hole) is dark like the rim: the icon reads on light and dark panels alike, and the
// symbol always stands on the hole's own dark fill.
//
// From 32 device pixels up the hole and the symbol keep the proportions of the 18-point design. Smaller
// pictures are fitted to the pixel grid instead: the disc fills the picture, the hole is as large as a
// rim of light around it allows, and the symbol fills the hole, drawn with whole-pixel strokes.
class MenuBarTransferFeedbackIconRenderer
{
public:
    MenuBarTransferFeedbackIconRenderer() = delete;

    // Where one picture's parts go, in device pixels.
    struct Layout
    {
        int pixels = 0;
        // The dark rim around the disc.
        qreal outline = 0;
        // The light disc inside the rim.
        QRectF disc;
        // Empty for the plain logo.
        QRectF hole;
        qreal holeRadius = 0;
        // The square the symbol is drawn into.
        QRect symbol;
        // Below 32 device pixels: fitted to the pixel grid.
        bool pixelFitted = false;
    };

    // The name of the logo among the icons.
    static QString logoName() { return QStringLiteral("verandel-logo"); }
    // The sizes trays ask for, each also drawn at twice the pixels.
    static QList<int> sizes() { return {16, 22, 24, 32}; }
    static constexpr int pixelFittedBelow = 32;

    // The disc and the symbol; the rim, the V and the hole.
    static QColor glyphInk() { return {250, 250, 250}; }
    static QColor cutInk() { return {22, 22, 22}; }
    // One device-independent pixel at every size, so it grows with the ratio and never jumps.
    static qreal outlineWidth(qreal devicePixelRatio) { return devicePixelRatio; }

    static Layout layout(MenuBarTransferFeedbackVisualState state, bool usesAlternatePhase, int size,
                         qreal devicePixelRatio = 1.0);
    static QPainterPath holePath(const Layout &layout);

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

private:
    static void drawDisc(QPainter &painter, const IconProvider &icons, const Layout &layout, bool withLogo);
    static void drawHole(QPainter &painter, const Layout &layout);
    static void drawSymbol(QPainter &painter, const IconProvider &icons, MenuBarTransferFeedbackVisualState state,
                           bool usesAlternatePhase, const Layout &layout);
};

} // namespace verandel
