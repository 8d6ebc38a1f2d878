#include "kit/KeyedRowList.h"

#include "kit/Metrics.h"
#include "kit/Theme.h"

#include <QPainter>
#include <QVBoxLayout>

namespace verandel {

KeyedRowList::KeyedRowList(RowFactory makeRow, QWidget *parent)
    : Card(parent)
    , m_makeRow(std::move(makeRow))
    , m_layout(new QVBoxLayout(this))
{
    // Rows stay inside the border; the one-pixel gap between two rows holds the divider.
    setContentsMargins(Metrics::cardBorderWidth, Metrics::cardBorderWidth, Metrics::cardBorderWidth,
                       Metrics::cardBorderWidth);
    m_layout->setContentsMargins({});
    m_layout->setSpacing(Metrics::cardBorderWidth);
}

void KeyedRowList::setKeys(const QStringList &keys)
{
    QStringList shown;
    QHash<QString, QWidget *> kept;
    for (const QString &key : keys) {
        if (kept.contains(key)) {
            continue;
        }
        QWidget *row = m_rows.take(key);
        if (!row) {
            row = m_makeRow(key);
            row->setParent(this);
        }
        m_layout->removeWidget(row);
        m_layout->insertWidget(static_cast<int>(shown.size()), row);
        row->show();
        shown.append(key);
        kept.insert(key, row);
    }
    for (QWidget *gone : std::as_const(m_rows)) {
        m_layout->removeWidget(gone);
        gone->hide();
        gone->deleteLater();
    }
    m_rows = std::move(kept);
    m_keys = std::move(shown);
    update();
}

QLine KeyedRowList::dividerBelow(qsizetype index) const
{
    if (index < 0 || index + 1 >= m_keys.size()) {
        return {};
    }
    const int y = m_rows.value(m_keys.at(index))->geometry().bottom() + 1;
    // It stops as far inside the border as the rows' own padding, so that it never meets the border.
    return {Metrics::cardBorderWidth + Metrics::rowDividerInset, y,
            width() - Metrics::cardBorderWidth - Metrics::rowHorizontalPadding - 1, y};
}

void KeyedRowList::paintEvent(QPaintEvent *event)
{
    Card::paintEvent(event);
    QPainter painter(this);
    painter.setPen(QPen(Theme::color(palette(), ThemeColor::Separator), 1));
    for (qsizetype i = 0; i + 1 < m_keys.size(); ++i) {
        painter.drawLine(dividerBelow(i));
    }
}

} // namespace verandel
