#include "kit/ToggleSwitch.h"

#include "kit/Metrics.h"
#include "kit/Theme.h"

#include <QPainter>

namespace verandel {

ToggleSwitch::ToggleSwitch(QWidget *parent)
    : QAbstractButton(parent)
{
    setCheckable(true);
    setFocusPolicy(Qt::StrongFocus);
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
}

QSize ToggleSwitch::sizeHint() const
{
    return {Metrics::toggleWidth + 2 * Metrics::toggleFocusMargin,
            Metrics::toggleHeight + 2 * Metrics::toggleFocusMargin};
}

bool ToggleSwitch::hitButton(const QPoint &position) const
{
    return rect().contains(position);
}

void ToggleSwitch::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    if (!isEnabled()) {
        painter.setOpacity(Theme::disabledOpacity);
    }
    // On whole pixels, so the 1 px outline is drawn crisp rather than spread thin over two.
    const QRectF track((width() - Metrics::toggleWidth) / 2, (height() - Metrics::toggleHeight) / 2,
                       Metrics::toggleWidth, Metrics::toggleHeight);
    const qreal radius = track.height() / 2;
    // Off: the separator colour, outlined so the track shows on any background; on: the accent colour.
    if (isChecked()) {
        painter.setPen(Qt::NoPen);
        painter.setBrush(Theme::color(palette(), ThemeColor::Accent));
    } else {
        painter.setPen(QPen(Theme::controlOutline(palette()), 1));
        painter.setBrush(Theme::color(palette(), ThemeTint{ThemeColor::Separator, 0.6}));
    }
    painter.drawRoundedRect(track.adjusted(0.5, 0.5, -0.5, -0.5), radius, radius);

    const qreal knobDiameter = track.height() - 2 * Metrics::toggleKnobMargin;
    const qreal knobX = isChecked() ? track.right() - Metrics::toggleKnobMargin - knobDiameter
                                    : track.left() + Metrics::toggleKnobMargin;
    const QRectF knob(knobX, track.top() + Metrics::toggleKnobMargin, knobDiameter, knobDiameter);
    painter.setPen(QPen(Theme::color(palette(), ThemeTint{ThemeColor::PrimaryText, 0.25}), 0.5));
    painter.setBrush(isChecked() ? Theme::color(palette(), ThemeColor::AccentText) : QColor(Qt::white));
    painter.drawEllipse(knob);

    if (hasFocus()) {
        painter.setOpacity(1.0);
        painter.setBrush(Qt::NoBrush);
        painter.setPen(QPen(Theme::color(palette(), ThemeTint{ThemeColor::Accent, 0.6}), 2));
        painter.drawRoundedRect(track.adjusted(-1, -1, 1, 1), radius + 1, radius + 1); // inside the focus margin
    }
}

} // namespace verandel
