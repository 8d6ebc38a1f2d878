#include "tray/MenuBarTransferFeedbackIconRenderer.h"

#include "tray/MenuBarTransferFeedbackPolicy.h"
#include "tray/PixelFittedSymbols.h"

#include <QPainter>
#include <QTextBoundaryFinder>

#include <algorithm>
#include <cmath>

namespace verandel {

namespace {

using State = MenuBarTransferFeedbackVisualState;

// White on it reads at 6.7:1; its light rim sets it apart from the glyph and from dark panels.
const QColor badgeFill(0x1d, 0x4e, 0xd8);

// The logo is a disc of radius 11 in a 24-unit square.
constexpr qreal logoDiscShare = 22.0 / 24.0;
// The design's hole and symbol, as shares of the 18-point picture and of the hole.
constexpr qreal holeWidthShare = 0.68;
constexpr qreal holeHeightShare = 0.48;
constexpr qreal holeRadiusShare = 0.32;
constexpr qreal symbolShare = 0.92;
constexpr double fullPointSize = 14.0;
// Pixel-fitted holes: the least corner rounding, and the most (beyond it the hole is nearly round and
// small symbols lose their corners).
constexpr qreal leastHoleRadiusShare = 0.3;
constexpr qreal mostHoleRadiusShare = 0.4;

// The hole in the design's proportions, centred on the disc of a picture `pixels` wide.
void designHole(MenuBarTransferFeedbackIconRenderer::Layout &layout, double pointSize)
{
    const qreal side = layout.disc.width() / logoDiscShare;
    const QSizeF hole(side * holeWidthShare, side * holeHeightShare);
    const QPointF centre = layout.disc.center();
    layout.hole = QRectF(centre - QPointF(hole.width() / 2, hole.height() / 2), hole);
    layout.holeRadius = hole.height() * holeRadiusShare;
    // Whole pixels, rounded down so that the centred square stays inside the hole.
    const int symbol = std::max(
        1, static_cast<int>(symbolShare * std::min(hole.width(), hole.height()) * pointSize / fullPointSize));
    layout.symbol = QRect(qRound(centre.x() - symbol / 2.0), qRound(centre.y() - symbol / 2.0), symbol, symbol);
}

// The largest hole of the picture's parity that leaves a rim of light at least `rim` wide, even at its
// rounded corners; its symbol fills it but for a pixel of dark on each side.
void pixelFittedHole(MenuBarTransferFeedbackIconRenderer::Layout &layout, const QString &symbolName, double pointSize,
                     bool shrinks)
{
    const qreal rim = std::max(1.5, layout.pixels / 12.0);
    const qreal room = layout.disc.width() / 2 - rim;
    const bool round = PixelFittedSymbols::isCircled(symbolName);
    int side = layout.pixels - 2;
    qreal radius = 0;
    for (; side >= 4; side -= 2) {
        if (side / 2.0 > room) {
            continue;
        }
        // A corner of radius r stays inside the room when sqrt(2) (side / 2 - r) + r <= room.
        const qreal least = (M_SQRT2 * side / 2 - room) / (M_SQRT2 - 1);
        radius = round ? side / 2.0 : std::max<qreal>(std::ceil(least), qRound(side * leastHoleRadiusShare));
        if (radius >= least && (round || radius <= side * mostHoleRadiusShare)) {
            break;
        }
    }
    const int origin = (layout.pixels - side) / 2;
    layout.hole = QRectF(origin, origin, side, side);
    layout.holeRadius = radius;
    // Smaller point sizes lose a pixel on each side per step; the pulse's small phase at least one.
    const int full = side - 2;
    int steps = qRound((fullPointSize - pointSize) * full / (2 * fullPointSize));
    if (shrinks) {
        steps = std::max(steps, 1);
    }
    const int symbol = std::max(2, full - 2 * steps);
    const int symbolOrigin = (layout.pixels - symbol) / 2;
    layout.symbol = QRect(symbolOrigin, symbolOrigin, symbol, symbol);
}

} // namespace

MenuBarTransferFeedbackIconRenderer::Layout
MenuBarTransferFeedbackIconRenderer::layout(State state, bool usesAlternatePhase, int size, qreal devicePixelRatio)
{
    Layout layout;
    layout.pixels = qRound(size * devicePixelRatio);
    layout.outline = outlineWidth(devicePixelRatio);
    layout.pixelFitted = layout.pixels < pixelFittedBelow;
    const qreal inner = layout.pixels - 2 * layout.outline;
    // Small pictures give the whole square to the disc; larger ones keep the logo's margin.
    const qreal disc = layout.pixelFitted ? inner : inner * logoDiscShare;
    layout.disc = QRectF((layout.pixels - disc) / 2, (layout.pixels - disc) / 2, disc, disc);
    const QString symbol = MenuBarTransferFeedbackSymbolPolicy::symbolName(state);
    if (symbol.isEmpty()) {
        return layout;
    }
    const double pointSize = MenuBarTransferFeedbackSymbolPolicy::pointSize(state, usesAlternatePhase);
    if (layout.pixelFitted) {
        pixelFittedHole(layout, symbol, pointSize, state == State::InProgress && !usesAlternatePhase);
    } else {
        designHole(layout, pointSize);
    }
    return layout;
}

QPainterPath MenuBarTransferFeedbackIconRenderer::holePath(const Layout &layout)
{
    QPainterPath path;
    if (!layout.hole.isEmpty()) {
        path.addRoundedRect(layout.hole, layout.holeRadius, layout.holeRadius);
    }
    return path;
}

void MenuBarTransferFeedbackIconRenderer::drawDisc(QPainter &painter, const IconProvider &icons, const Layout &layout,
                                                   bool withLogo)
{
    painter.setPen(Qt::NoPen);
    painter.setBrush(cutInk());
    painter.drawEllipse(layout.disc.adjusted(-layout.outline, -layout.outline, layout.outline, layout.outline));
    painter.setBrush(glyphInk());
    painter.drawEllipse(layout.disc);
    if (!withLogo) {
        return;
    }
    // The logo's V is cut out of its disc: where the logo leaves the disc uncovered, the V is drawn dark.
    const qreal side = layout.disc.width() / logoDiscShare;
    const QRectF target(layout.disc.center() - QPointF(side / 2, side / 2), QSizeF(side, side));
    constexpr qreal oversampling = 4.0;
    const QPixmap logo = icons.pixmap(logoName(), static_cast<int>(std::ceil(side)), glyphInk(), oversampling);
    QImage coverage(layout.pixels, layout.pixels, QImage::Format_ARGB32_Premultiplied);
    coverage.fill(Qt::transparent);
    {
        QPainter onCoverage(&coverage);
        onCoverage.setRenderHint(QPainter::SmoothPixmapTransform);
        onCoverage.drawPixmap(target, logo, QRectF(logo.rect()));
    }
    QImage cut(layout.pixels, layout.pixels, QImage::Format_ARGB32_Premultiplied);
    cut.fill(Qt::transparent);
    QPainterPath disc;
    disc.addEllipse(layout.disc);
    const QRgb ink = cutInk().rgba();
    for (int y = 0; y < layout.pixels; ++y) {
        for (int x = 0; x < layout.pixels; ++x) {
            if (!disc.contains(QPointF(x + 0.5, y + 0.5))) {
                continue;
            }
            if (const int uncovered = 255 - qAlpha(coverage.pixel(x, y)); uncovered > 0) {
                cut.setPixel(x, y, qPremultiply(qRgba(qRed(ink), qGreen(ink), qBlue(ink), uncovered)));
            }
        }
    }
    painter.drawImage(0, 0, cut);
}

void MenuBarTransferFeedbackIconRenderer::drawHole(QPainter &painter, const Layout &layout)
{
    painter.setPen(Qt::NoPen);
    painter.setBrush(cutInk());
    painter.drawPath(holePath(layout));
}

void MenuBarTransferFeedbackIconRenderer::drawSymbol(QPainter &painter, const IconProvider &icons, State state,
                                                     bool usesAlternatePhase, const Layout &layout)
{
    const QString symbol = MenuBarTransferFeedbackSymbolPolicy::symbolName(state);
    painter.save();
    painter.setOpacity(MenuBarTransferFeedbackSymbolPolicy::opacity(state, usesAlternatePhase));
    if (layout.pixelFitted && PixelFittedSymbols::contains(symbol)) {
        PixelFittedSymbols::draw(painter, symbol, layout.symbol, glyphInk());
    } else {
        painter.drawPixmap(layout.symbol, icons.pixmap(symbol, layout.symbol.width(), glyphInk()));
    }
    painter.restore();
}

QString MenuBarTransferFeedbackIconRenderer::badgeLetter(const QString &profileName)
{
    QTextBoundaryFinder graphemes(QTextBoundaryFinder::Grapheme, profileName);
    const qsizetype end = graphemes.toNextBoundary();
    return end > 0 ? profileName.left(end).toUpper() : QString();
}

QRect MenuBarTransferFeedbackIconRenderer::badgeRect(int pixels)
{
    // Large enough for a legible letter at 16 pixels, about half the icon above that.
    const int side = std::max(10, qRound(pixels * 0.55));
    return QRect(pixels - side, pixels - side, side, side);
}

void MenuBarTransferFeedbackIconRenderer::drawBadge(QImage &picture, const QString &letter)
{
    if (letter.isEmpty()) {
        return;
    }
    const QRect disc = badgeRect(picture.width());
    const qreal rim = std::max(1.0, disc.width() / 12.0);
    QPainter painter(&picture);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::TextAntialiasing);
    painter.setPen(Qt::NoPen);
    painter.setBrush(glyphInk());
    painter.drawEllipse(disc);
    painter.setBrush(badgeFill);
    painter.drawEllipse(QRectF(disc).adjusted(rim, rim, -rim, -rim));
    QFont font;
    font.setBold(true);
    font.setPixelSize(std::max(7, qRound(disc.height() * 0.62)));
    painter.setFont(font);
    painter.setPen(Qt::white);
    painter.drawText(disc, Qt::AlignCenter, letter);
}

QImage MenuBarTransferFeedbackIconRenderer::image(const IconProvider &icons, State state, bool usesAlternatePhase,
                                                  int size, qreal devicePixelRatio, const QString &badge)
{
    const Layout parts = layout(state, usesAlternatePhase, size, devicePixelRatio);
    QImage result(parts.pixels, parts.pixels, QImage::Format_ARGB32_Premultiplied);
    result.fill(Qt::transparent);
    QPainter painter(&result);
    painter.setRenderHint(QPainter::Antialiasing);
    // The hole takes the V's place: what would show of the V around it is only noise.
    const bool hasSymbol = !parts.hole.isEmpty();
    drawDisc(painter, icons, parts, !hasSymbol);
    if (hasSymbol) {
        drawHole(painter, parts);
        drawSymbol(painter, icons, state, usesAlternatePhase, parts);
    }
    painter.end();
    drawBadge(result, badge);
    result.setDevicePixelRatio(devicePixelRatio);
    return result;
}

QIcon MenuBarTransferFeedbackIconRenderer::icon(const IconProvider &icons, State state, bool usesAlternatePhase,
                                                const QString &badge)
{
    QIcon icon;
    for (const int size : sizes()) {
        for (const qreal ratio : {1.0, 2.0}) {
            icon.addPixmap(QPixmap::fromImage(image(icons, state, usesAlternatePhase, size, ratio, badge)));
        }
    }
    return icon;
}

} // namespace verandel
