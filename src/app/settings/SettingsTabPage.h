#pragma once

#include <QWidget>

class QScrollArea;
class QVBoxLayout;

namespace verandel {
class TextLabel;
}

namespace verandel {

// What every settings tab is drawn in: one scrolling column, padded, never wider than the maximum, with
// room kept for the scroll bar. A tab adds its header first, then its sections to columnLayout(); every
// tab's title and description stand at the same place.
class SettingsTabPage : public QWidget
{
    Q_OBJECT

public:
    explicit SettingsTabPage(const QString &accessibleName, QWidget *parent = nullptr);

    // The column's width in a tab of `tabWidth`: never wider than the maximum, never negative.
    static int columnWidth(int tabWidth);

    QWidget *column() const { return m_column; }
    QVBoxLayout *columnLayout() const { return m_columnLayout; }

    // Adds the tab's header: its title, with `trailing` (a summary badge) at the end of the title's line,
    // and its one-line description under it. The title's line is as tall with or without a badge.
    // Returns the header's column, for what a tab shows under its description.
    QVBoxLayout *addHeader(const QString &title, const QString &description, QWidget *trailing = nullptr);
    TextLabel *titleLabel() const { return m_title; }
    TextLabel *descriptionLabel() const { return m_description; }

protected:
    void resizeEvent(QResizeEvent *event) override;

private:
    QScrollArea *m_scroll;
    TextLabel *m_title = nullptr;
    TextLabel *m_description = nullptr;
    QWidget *m_column;
    QVBoxLayout *m_columnLayout;
};

} // namespace verandel
