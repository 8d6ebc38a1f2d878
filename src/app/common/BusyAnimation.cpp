#include "common/BusyAnimation.h"

#include "kit/BusyBar.h"

#include <QEvent>

namespace verandel {

BusyAnimation::BusyAnimation(ClockPtr clock, BusyBar *bar)
    : QObject(bar)
    , m_clock(std::move(clock))
    , m_bar(bar)
    , m_frames(m_clock)
{
    bar->installEventFilter(this);
    follow();
}

void BusyAnimation::drive(const ClockPtr &clock, BusyBar *bar)
{
    if (clock && bar) {
        new BusyAnimation(clock, bar);
    }
}

bool BusyAnimation::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_bar && (event->type() == QEvent::Show || event->type() == QEvent::Hide)) {
        follow();
    }
    return QObject::eventFilter(watched, event);
}

void BusyAnimation::follow()
{
    const bool shown = m_bar && m_bar->isVisible();
    if (shown == m_frames.isPending()) {
        return;
    }
    if (!shown) {
        m_frames.cancel();
        return;
    }
    // Carries on from where the segment stands.
    m_start = m_clock->now();
    m_startPhase = m_bar->phase();
    showFrame();
    m_frames.startRepeating(frameSeconds, [this] { showFrame(); });
}

void BusyAnimation::showFrame()
{
    if (m_bar) {
        m_bar->setPhase(m_startPhase + static_cast<double>(m_start.msecsTo(m_clock->now())) / 1000.0 / sweepSeconds);
    }
}

} // namespace verandel
