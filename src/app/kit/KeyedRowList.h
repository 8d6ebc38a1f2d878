#pragma once

#include "kit/Card.h"

#include <QHash>
#include <QList>
#include <QStringList>

#include <functional>

class QVBoxLayout;

namespace verandel {

// A card listing one row per key (a computer id, a device address) in the order given, with a divider
// between two rows that starts where the rows' text does and stops inside the card, clear of its border. Rows are
// made once per key and reused, so a row keeps its own state (a confirmation, a pulse) while the list
// changes around it; the row of a key that is gone is deleted once control returns to the event loop,
// since it may be the row whose click removed it.
class KeyedRowList : public Card
{
    Q_OBJECT

public:
    using RowFactory = std::function<QWidget *(const QString &key)>;

    explicit KeyedRowList(RowFactory makeRow, QWidget *parent = nullptr);

    // One row per distinct key, in this order (a repeated key keeps its first place).
    void setKeys(const QStringList &keys);
    // One row per item, keyed by `keyOf(item)`.
    template <typename Item, typename KeyOf>
    void setItems(const QList<Item> &items, KeyOf keyOf)
    {
        QStringList keys;
        for (const Item &item : items) {
            keys.append(keyOf(item));
        }
        setKeys(keys);
    }

    QStringList keys() const { return m_keys; }
    QWidget *row(const QString &key) const { return m_rows.value(key); }
    template <typename Row>
    QList<Row *> rowsAs() const
    {
        QList<Row *> shown;
        for (const QString &key : m_keys) {
            shown.append(static_cast<Row *>(m_rows.value(key)));
        }
        return shown;
    }
    // Where the divider below row `index` is drawn, in the list's coordinates: none after the last row.
    QLine dividerBelow(qsizetype index) const;

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    RowFactory m_makeRow;
    QStringList m_keys;
    QHash<QString, QWidget *> m_rows;
    QVBoxLayout *m_layout;
};

} // namespace verandel
