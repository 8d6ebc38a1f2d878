#pragma once

#include "models/CheckForUpdatesRow.h"

#include "kit/IconProvider.h"

#include <QPushButton>
#include <QWidget>

namespace verandel {

class CapsuleButton;
class IconView;
class TextLabel;

// A menu-style row: a symbol, a title on one line and an optional shortcut hint; the whole row is the
// button. Destructive rows are red.
class MenuItemRow : public QPushButton
{
    Q_OBJECT

public:
    MenuItemRow(IconProviderPtr icons, const QString &icon, const QString &title,
                const std::optional<QString> &shortcut = std::nullopt, bool isDestructive = false,
                QWidget *parent = nullptr);

    TextLabel *titleLabel() const { return m_title; }
    TextLabel *shortcutLabel() const { return m_shortcut; }
    IconView *iconView() const { return m_icon; }

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    IconView *m_icon;
    TextLabel *m_title;
    TextLabel *m_shortcut;
};

// The update state on one line: "Check for Updates…", a running check, an offered update with
// "Install" and "Later", or the last error with "Try again".
class CheckForUpdatesButtonCompact : public QWidget
{
    Q_OBJECT

public:
    explicit CheckForUpdatesButtonCompact(IconProviderPtr icons, QWidget *parent = nullptr);

    void setSnapshot(const UpdateCheckSnapshot &snapshot);
    CheckForUpdatesRow row() const { return m_row; }

    MenuItemRow *checkRow() const { return m_check; }
    TextLabel *statusLabel() const { return m_status; }
    CapsuleButton *installButton() const { return m_install; }
    CapsuleButton *laterButton() const { return m_later; }
    CapsuleButton *tryAgainButton() const { return m_tryAgain; }

Q_SIGNALS:
    void checkRequested();
    void installChosen();
    void laterChosen();
    // The shell clears the error first, then checks.
    void tryAgainRequested();

private:
    CheckForUpdatesRow m_row = CheckForUpdatesRow::CheckForUpdates;
    MenuItemRow *m_check;
    QWidget *m_statusRow;
    IconView *m_symbol;
    TextLabel *m_status;
    CapsuleButton *m_install;
    CapsuleButton *m_later;
    CapsuleButton *m_tryAgain;
};

} // namespace verandel
