#pragma once

#include <QProgressBar>

namespace verandel {

// Something runs, for an unknown time: a slim track with a segment sweeping along it, slim so that it
// sits beside a heading or above a short text without outweighing it. A full bar would read as done, so
// the segment moves; its owner moves it (BusyAnimation, on the program's clock). It stays a progress
// bar with no range for accessibility.
class BusyBar : public QProgressBar
{
    Q_OBJECT

public:
    explicit BusyBar(int width, QWidget *parent = nullptr);

    // Where the segment is in its sweep: at 0 it enters at the left, at 1 it has left at the right.
    void setPhase(double phase);
    double phase() const { return m_phase; }
    // The part of the track the segment covers now, in the bar's pixels.
    QRectF segment() const;

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    // A bar nobody moves still shows its segment, in the middle.
    double m_phase = 0.5;
};

} // namespace verandel
