#pragma once

#include <QProgressBar>

namespace verandel {

// Something runs, for an unknown time: an indeterminate progress line, slim so that it sits beside a
// heading or above a short text without outweighing it.
class BusyBar : public QProgressBar
{
    Q_OBJECT

public:
    explicit BusyBar(int width, QWidget *parent = nullptr);
};

} // namespace verandel
