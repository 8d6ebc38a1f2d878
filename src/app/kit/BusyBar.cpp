#include "kit/BusyBar.h"

#include "kit/Metrics.h"

namespace verandel {

BusyBar::BusyBar(int width, QWidget *parent)
    : QProgressBar(parent)
{
    setRange(0, 0);
    setTextVisible(false);
    setFixedSize(width, Metrics::busyBarHeight);
}

} // namespace verandel
