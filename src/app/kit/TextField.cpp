#include "kit/TextField.h"

#include "kit/CapsuleButton.h"
#include "kit/Metrics.h"
#include "kit/Theme.h"

#include <QEvent>
#include <QPainter>

namespace verandel {

TextField::TextField(QWidget *parent)
    : QLineEdit(parent)
{
    setFrame(false);
    setAttribute(Qt::WA_Hover);
    setTextMargins(Metrics::fieldHorizontalPadding, 0, Metrics::fieldHorizontalPadding, 0);
    applyLook();
}

void TextField::applyLook()
{
    setFont(Theme::font(TextStyle::Body));
    // The style fills the field with Base; the rounded shape is ours, so its panel stays clear.
    QPalette own = palette();
    if (own.color(QPalette::Base) != Qt::transparent) {
        own.setColor(QPalette::Base, Qt::transparent);
        setPalette(own);
    }
    updateGeometry();
}

QSize TextField::sizeHint() const
{
    const QSize hint = QLineEdit::sizeHint();
    return {hint.width(), CapsuleButton::shapeHeight(fontMetrics(), CapsuleButton::Size::Regular)};
}

QSize TextField::minimumSizeHint() const
{
    return {QLineEdit::minimumSizeHint().width(), sizeHint().height()};
}

void TextField::paintEvent(QPaintEvent *event)
{
    {
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        const QPalette &surroundings = parentWidget() ? parentWidget()->palette() : palette();
        // The field is its shape, edge to edge, so that it lines up with its label; the focus ring is
        // drawn on its edge.
        const bool focused = hasFocus();
        const qreal edge = focused ? 2.0 : Metrics::cardBorderWidth;
        QColor outline = focused ? Theme::color(surroundings, ThemeColor::Accent) : Theme::controlOutline(surroundings);
        if (!isEnabled()) {
            outline.setAlphaF(outline.alphaF() * Theme::disabledOpacity);
        }
        painter.setPen(QPen(outline, edge));
        painter.setBrush(Theme::color(surroundings, ThemeColor::CardBackground));
        const QRectF shape = QRectF(rect()).adjusted(edge / 2, edge / 2, -edge / 2, -edge / 2);
        painter.drawRoundedRect(shape, Metrics::fieldRadius, Metrics::fieldRadius);
    }
    QLineEdit::paintEvent(event);
}

void TextField::changeEvent(QEvent *event)
{
    QLineEdit::changeEvent(event);
    switch (event->type()) {
    case QEvent::ApplicationFontChange: applyLook(); break;
    case QEvent::PaletteChange:
        if (palette().color(QPalette::Base) != Qt::transparent) {
            applyLook();
        }
        break;
    default: break;
    }
}

} // namespace verandel
