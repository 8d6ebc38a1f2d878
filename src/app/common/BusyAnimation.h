#pragma once

#include "foundation/DelayedCall.h"

#include <QObject>
#include <QPointer>

namespace verandel {

class BusyBar;

// Moves a busy bar's segment on the program's clock while the bar is shown, and stops when it is
// hidden: nothing ticks for a window nobody sees. Tests move it with a manual clock.
class BusyAnimation : public QObject
{
    Q_OBJECT

public:
    // One sweep of the segment along the track, and how often it is redrawn meanwhile.
    static constexpr double sweepSeconds = 1.2;
    static constexpr double frameSeconds = 1.0 / 30.0;

    // Belongs to the bar; without a clock the bar stands still.
    BusyAnimation(ClockPtr clock, BusyBar *bar);
    // Gives `bar` an animation on `clock`, or nothing without one.
    static void drive(const ClockPtr &clock, BusyBar *bar);

    bool isRunning() const { return m_frames.isPending(); }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void follow();
    void showFrame();

    ClockPtr m_clock;
    QPointer<BusyBar> m_bar;
    DelayedCall m_frames;
    QDateTime m_start;
    double m_startPhase = 0.0;
};

} // namespace verandel
