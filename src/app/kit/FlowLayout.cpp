#include "kit/FlowLayout.h"

#include <QWidget>

#include <algorithm>

namespace verandel {

FlowLayout::FlowLayout(int horizontalSpacing, int verticalSpacing, QWidget *parent)
    : QLayout(parent)
    , m_horizontalSpacing(horizontalSpacing)
    , m_verticalSpacing(verticalSpacing)
{
    setContentsMargins({});
}

FlowLayout::~FlowLayout()
{
    while (QLayoutItem *item = takeAt(0)) {
        delete item;
    }
}

void FlowLayout::addItem(QLayoutItem *item)
{
    m_items.append(item);
    invalidate();
}

QLayoutItem *FlowLayout::takeAt(int index)
{
    if (index < 0 || index >= m_items.size()) {
        return nullptr;
    }
    QLayoutItem *item = m_items.takeAt(index);
    invalidate();
    return item;
}

int FlowLayout::heightForWidth(int width) const
{
    return arrange(QRect(0, 0, width, 0), false);
}

// Narrow enough for the widest single item: everything else wraps.
QSize FlowLayout::minimumSize() const
{
    QSize size;
    for (const QLayoutItem *item : m_items) {
        if (!item->isEmpty()) {
            size = size.expandedTo(item->minimumSize());
        }
    }
    const QMargins margins = contentsMargins();
    return size + QSize(margins.left() + margins.right(), margins.top() + margins.bottom());
}

// Everything on one line.
QSize FlowLayout::sizeHint() const
{
    int width = 0;
    int height = 0;
    int shown = 0;
    for (const QLayoutItem *item : m_items) {
        if (item->isEmpty()) {
            continue;
        }
        width += item->sizeHint().width() + (shown++ > 0 ? m_horizontalSpacing : 0);
        height = std::max(height, item->sizeHint().height());
    }
    const QMargins margins = contentsMargins();
    return {width + margins.left() + margins.right(), height + margins.top() + margins.bottom()};
}

void FlowLayout::setGeometry(const QRect &rect)
{
    QLayout::setGeometry(rect);
    arrange(rect, true);
}

int FlowLayout::arrange(const QRect &rect, bool apply) const
{
    const QRect area = rect.marginsRemoved(contentsMargins());
    int y = area.y();
    // One line at a time, so items of different heights share the line's middle.
    QList<std::pair<QLayoutItem *, QSize>> line;
    int lineWidth = 0;
    int lineHeight = 0;
    const auto finishLine = [&] {
        if (apply) {
            int x = area.x();
            for (const auto &[item, size] : std::as_const(line)) {
                item->setGeometry(QRect(QPoint(x, y + (lineHeight - size.height()) / 2), size));
                x += size.width() + m_horizontalSpacing;
            }
        }
        y += lineHeight + m_verticalSpacing;
        line.clear();
        lineWidth = 0;
        lineHeight = 0;
    };
    for (QLayoutItem *item : m_items) {
        if (item->isEmpty()) {
            continue;
        }
        const QSize size = item->sizeHint().boundedTo(QSize(std::max(area.width(), 0), QWIDGETSIZE_MAX));
        if (!line.isEmpty() && lineWidth + m_horizontalSpacing + size.width() > area.width()) {
            finishLine();
        }
        lineWidth += (line.isEmpty() ? 0 : m_horizontalSpacing) + size.width();
        lineHeight = std::max(lineHeight, size.height());
        line.append({item, size});
    }
    const bool any = !line.isEmpty() || y > area.y();
    if (!line.isEmpty()) {
        finishLine();
    }
    return (any ? y - m_verticalSpacing : y) + contentsMargins().bottom() - rect.y();
}

} // namespace verandel
