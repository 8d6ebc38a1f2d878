#include "tray/MenuBarTransferFeedbackIconRenderer.h"

#include "tray/MenuBarTransferFeedbackPolicy.h"

#include <QPainter>
#include <QPainterPath>

#include <cmath>

namespace verandel {

namespace {

const QColor glyphInk(250, 250, 250);
const QColor outlineInk(16, 16, 16, 230);

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

QImage MenuBarTransferFeedbackIconRenderer::image(const IconProvider &icons, MenuBarTransferFeedbackVisualState state,
                                                  bool usesAlternatePhase, int size, qreal devicePixelRatio)
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
    result.setDevicePixelRatio(devicePixelRatio);
    return result;
}

QIcon MenuBarTransferFeedbackIconRenderer::icon(const IconProvider &icons, MenuBarTransferFeedbackVisualState state,
                                                bool usesAlternatePhase)
{
    QIcon icon;
    for (const int size : sizes()) {
        for (const qreal ratio : {1.0, 2.0}) {
            icon.addPixmap(QPixmap::fromImage(image(icons, state, usesAlternatePhase, size, ratio)));
        }
    }
    return icon;
}

} // namespace verandel
