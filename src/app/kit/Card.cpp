#include "kit/Card.h"

#include "kit/Metrics.h"
#include "kit/Theme.h"

#include <QEvent>
#include <QPainter>

namespace verandel {

Card::Card(QWidget *parent)
    : QFrame(parent)
{
    setFrameShape(QFrame::NoFrame);
    setContentsMargins(Metrics::cardPadding, Metrics::cardPadding, Metrics::cardPadding, Metrics::cardPadding);
}

void Card::setLook(const CardLook &look)
{
    if (look != m_look) {
        m_look = look;
        update();
    }
}

bool Card::event(QEvent *event)
{
    // QFrame derives its contents margins from its frame again when polished, reparented or restyled,
    // and drops them when the widget is still smaller than them: the padding is ours, keep it.
    const QMargins padding = contentsMargins();
    const bool handled = QFrame::event(event);
    switch (event->type()) {
    case QEvent::Polish:
    case QEvent::ParentChange:
    case QEvent::StyleChange:
        if (contentsMargins() != padding) {
            setContentsMargins(padding);
        }
        break;
    default: break;
    }
    return handled;
}

void Card::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const qreal inset = Metrics::cardBorderWidth / 2.0;
    const QRectF outline = QRectF(rect()).adjusted(inset, inset, -inset, -inset);
    painter.setPen(QPen(Theme::color(palette(), m_look.border), Metrics::cardBorderWidth));
    painter.setBrush(Theme::color(palette(), m_look.fill));
    painter.drawRoundedRect(outline, Metrics::cardRadius, Metrics::cardRadius);
}

} // namespace verandel
