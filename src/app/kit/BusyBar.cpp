#include "kit/BusyBar.h"

#include "kit/Metrics.h"
#include "kit/Theme.h"

#include <QPainter>

#include <algorithm>
#include <cmath>

namespace verandel {

namespace {

// The segment's length, as a share of the track.
constexpr double segmentShare = 0.35;
constexpr double trackOpacity = 0.5;

} // namespace

BusyBar::BusyBar(int width, QWidget *parent)
    : QProgressBar(parent)
{
    setRange(0, 0);
    setTextVisible(false);
    setFixedSize(width, Metrics::busyBarHeight);
}

void BusyBar::setPhase(double phase)
{
    const double wrapped = phase - std::floor(phase);
    if (wrapped != m_phase) {
        m_phase = wrapped;
        update();
    }
}

QRectF BusyBar::segment() const
{
    const double length = width() * segmentShare;
    const double left = m_phase * (width() + length) - length;
    return QRectF(left, 0, length, height()).intersected(QRectF(rect()));
}

void BusyBar::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    const qreal radius = height() / 2.0;
    // The track is the separator's colour, faint; the segment is the accent.
    QColor track = Theme::controlOutline(palette());
    track.setAlphaF(track.alphaF() * trackOpacity);
    painter.setBrush(track);
    painter.drawRoundedRect(QRectF(rect()), radius, radius);
    painter.setBrush(Theme::color(palette(), ThemeColor::Accent));
    painter.drawRoundedRect(segment(), radius, radius);
}

} // namespace verandel
