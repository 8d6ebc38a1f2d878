#include "controlcenter/ConnectionStatusIndicator.h"

#include "kit/Theme.h"

#include <QPainter>
#include <QVariantAnimation>

namespace verandel {

namespace {

constexpr int pulseMilliseconds = 1000;

} // namespace

ConnectionStatusIndicator::ConnectionStatusIndicator(ConnectionState state, QWidget *parent)
    : QWidget(parent)
    , m_state(state)
    , m_pulse(new QVariantAnimation(this))
{
    m_pulse->setStartValue(1.0);
    m_pulse->setEndValue(0.5);
    m_pulse->setDuration(pulseMilliseconds);
    m_pulse->setEasingCurve(QEasingCurve::InOutSine);
    connect(m_pulse, &QVariantAnimation::valueChanged, this, qOverload<>(&QWidget::update));
    // Back and forth for ever.
    connect(m_pulse, &QVariantAnimation::finished, this, [this] {
        m_pulse->setDirection(m_pulse->direction() == QAbstractAnimation::Forward ? QAbstractAnimation::Backward
                                                                                  : QAbstractAnimation::Forward);
        m_pulse->start();
    });
    setAccessibleName(displayName(state));
}

QColor ConnectionStatusIndicator::colorOf(IndicatorColor color, const QPalette &palette)
{
    switch (color) {
    case IndicatorColor::Blue: return Theme::color(palette, ThemeColor::Blue);
    case IndicatorColor::Green: return Theme::color(palette, ThemeColor::Green);
    case IndicatorColor::Yellow: return Theme::isDark(palette) ? QColor(0xff, 0xd6, 0x0a) : QColor(0xb3, 0x8f, 0x00);
    case IndicatorColor::Orange: return Theme::color(palette, ThemeColor::Orange);
    case IndicatorColor::Red: break;
    }
    return Theme::color(palette, ThemeColor::Red);
}

void ConnectionStatusIndicator::setState(ConnectionState state)
{
    if (state == m_state) {
        return;
    }
    m_state = state;
    setAccessibleName(displayName(state));
    setAnimating(ConnectionIndicatorPolicy::pulses(state));
    update();
}

void ConnectionStatusIndicator::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    if (ConnectionIndicatorPolicy::pulses(m_state)) {
        setAnimating(true);
    }
}

void ConnectionStatusIndicator::setAnimating(bool animating)
{
    m_isAnimating = animating;
    if (animating) {
        if (m_pulse->state() != QAbstractAnimation::Running) {
            m_pulse->setDirection(QAbstractAnimation::Forward);
            m_pulse->start();
        }
    } else {
        m_pulse->stop();
    }
}

void ConnectionStatusIndicator::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    painter.setOpacity(m_isAnimating ? m_pulse->currentValue().toDouble() : 1.0);
    painter.setBrush(colorOf(ConnectionIndicatorPolicy::color(m_state), palette()));
    const int side = std::min(width(), height());
    painter.drawEllipse(QRectF((width() - side) / 2.0, (height() - side) / 2.0, side, side));
}

} // namespace verandel
