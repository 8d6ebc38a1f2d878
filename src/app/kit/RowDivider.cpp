#include "kit/RowDivider.h"

#include "kit/Metrics.h"
#include "kit/Theme.h"

#include <QPainter>
#include <QWidget>

namespace verandel {

void RowDivider::paint(QWidget &row)
{
    QPainter painter(&row);
    painter.setPen(QPen(Theme::color(row.palette(), ThemeColor::Separator), 1));
    const int y = row.height() - 1;
    painter.drawLine(Metrics::rowDividerInset, y, row.width(), y);
}

} // namespace verandel
