#pragma once

#include <QLayout>
#include <QList>

namespace verandel {

// Lays its items out left to right at their preferred sizes and starts a new line when the next one
// does not fit, so a row of buttons stays whole in a narrow window. Its height follows its width.
class FlowLayout : public QLayout
{
public:
    explicit FlowLayout(int horizontalSpacing, int verticalSpacing, QWidget *parent = nullptr);
    ~FlowLayout() override;

    void addItem(QLayoutItem *item) override;
    int count() const override { return static_cast<int>(m_items.size()); }
    QLayoutItem *itemAt(int index) const override { return m_items.value(index); }
    QLayoutItem *takeAt(int index) override;

    Qt::Orientations expandingDirections() const override { return {}; }
    bool hasHeightForWidth() const override { return true; }
    int heightForWidth(int width) const override;
    QSize minimumSize() const override;
    QSize sizeHint() const override;
    void setGeometry(const QRect &rect) override;

private:
    // Places the items inside `rect` (only measures when `apply` is false); returns the height used.
    int arrange(const QRect &rect, bool apply) const;

    QList<QLayoutItem *> m_items;
    int m_horizontalSpacing;
    int m_verticalSpacing;
};

} // namespace verandel
