#include "tray/MenuBarTransferFeedbackIconRenderer.h"

#include "tray/MenuBarTransferFeedbackPolicy.h"

#include <QPainter>
#include <QPainterPath>
#include <QTextBoundaryFinder>

#include <cmath>

namespace verandel {

namespace {

const QColor glyphInk(250, 250, 250);
const QColor outlineInk(16, 16, 16, 230);
// White on it reads at 6.7:1; its light rim sets it apart from the glyph and from dark panels.
const QColor badgeFill(0x1d, 0x4e, 0xd8);

// The glyph's alpha in `color`.
QImage recoloured(const QImage &glyph, const QColor &color)
{
    QImage copy = glyph;
    QPainter painter(&copy);
    painter.setCompositionMode(QPainter::CompositionMode_SourceIn);
    painter.fillRect(copy.rect(), color);
    return copy;
}

} // namespace

QRectF MenuBarTransferFeedbackIconRenderer::holeRect(qreal side)
{
    const QSizeF hole(side * 0.68, side * 0.48);
    return QRectF(QPointF((side - hole.width()) / 2, (side - hole.height()) / 2), hole);
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
    painter.setBrush(glyphInk);
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

QImage MenuBarTransferFeedbackIconRenderer::image(const IconProvider &icons, MenuBarTransferFeedbackVisualState state,
                                                  bool usesAlternatePhase, int size, qreal devicePixelRatio,
                                                  const QString &badge)
{
    const int pixels = qRound(size * devicePixelRatio);
    // The outline needs a pixel of room on each side, so the glyph is drawn that much smaller.
    const int outline = outlineWidth(pixels);
    const int inner = pixels - 2 * outline;

    QImage glyph(pixels, pixels, QImage::Format_ARGB32_Premultiplied);
    glyph.fill(Qt::transparent);
    {
        QPainter painter(&glyph);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.translate(outline, outline);
        const QPixmap logo = icons.pixmap(logoName(), inner, glyphInk);
        painter.drawPixmap(QRect(0, 0, inner, inner), logo);
        const QString symbol = MenuBarTransferFeedbackSymbolPolicy::symbolName(state);
        if (!symbol.isEmpty()) {
            const QRectF hole = holeRect(inner);
            QPainterPath rounded;
            rounded.addRoundedRect(hole, hole.height() * 0.32, hole.height() * 0.32);
            painter.setCompositionMode(QPainter::CompositionMode_Clear);
            painter.fillPath(rounded, Qt::transparent);
            painter.setCompositionMode(QPainter::CompositionMode_SourceOver);

            const qreal full = 0.92 * std::min(hole.width(), hole.height());
            const qreal side = full * MenuBarTransferFeedbackSymbolPolicy::pointSize(state, usesAlternatePhase) / 14.0;
            const int symbolPixels = std::max(1, qRound(side));
            const QPixmap drawn = icons.pixmap(symbol, symbolPixels, glyphInk);
            painter.setOpacity(MenuBarTransferFeedbackSymbolPolicy::opacity(state, usesAlternatePhase));
            painter.drawPixmap(QRectF(hole.center() - QPointF(symbolPixels / 2.0, symbolPixels / 2.0),
                                      QSizeF(symbolPixels, symbolPixels))
                                   .toRect(),
                               drawn);
        }
    }

    QImage result(pixels, pixels, QImage::Format_ARGB32_Premultiplied);
    result.fill(Qt::transparent);
    QPainter painter(&result);
    const QImage shadow = recoloured(glyph, outlineInk);
    for (int dy = -outline; dy <= outline; ++dy) {
        for (int dx = -outline; dx <= outline; ++dx) {
            if ((dx != 0 || dy != 0) && dx * dx + dy * dy <= outline * outline + 1) {
                painter.drawImage(QPoint(dx, dy), shadow);
            }
        }
    }
    painter.drawImage(QPoint(0, 0), glyph);
    painter.end();
    drawBadge(result, badge);
    result.setDevicePixelRatio(devicePixelRatio);
    return result;
}

QIcon MenuBarTransferFeedbackIconRenderer::icon(const IconProvider &icons, MenuBarTransferFeedbackVisualState state,
                                                bool usesAlternatePhase, const QString &badge)
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
