#pragma once

#include <QWidget>

class QScrollArea;
class QVBoxLayout;

namespace verandel {

// What every settings tab is drawn in: one scrolling column, padded, never wider than the maximum, with
// room kept for the scroll bar. A tab adds its sections to columnLayout().
class SettingsTabPage : public QWidget
{
    Q_OBJECT

public:
    explicit SettingsTabPage(const QString &accessibleName, QWidget *parent = nullptr);

    // The column's width in a tab of `tabWidth`: never wider than the maximum, never negative.
    static int columnWidth(int tabWidth);

    QWidget *column() const { return m_column; }
    QVBoxLayout *columnLayout() const { return m_columnLayout; }

protected:
    void resizeEvent(QResizeEvent *event) override;

private:
    QScrollArea *m_scroll;
    QWidget *m_column;
    QVBoxLayout *m_columnLayout;
};

} // namespace verandel
