#pragma once

#include <QObject>
#include <QPointer>

class QAction;
class QMenuBar;

namespace verandel {

// The "Verandel" menu: About, Check for Updates…, Settings…, Control Center…, Quit Verandel. Most
// Linux desktops have no global menu bar, so each window carries its own bar with this menu. The
// check command is the updater's own action (CheckForUpdatesMenuView), shared by every bar, so its
// enabled state has one home.
class ApplicationMenu final : public QObject
{
    Q_OBJECT

public:
    explicit ApplicationMenu(QObject *parent = nullptr);
    ~ApplicationMenu() override;

    // Shown in every bar made from now on; owned by the caller. Without one the menu has no check item.
    void setCheckForUpdatesAction(QAction *action) { m_checkForUpdates = action; }

    // A new bar for one window; the window owns it.
    QMenuBar *makeMenuBar();

Q_SIGNALS:
    void aboutRequested();
    void settingsRequested();
    void controlCenterRequested();
    void quitRequested();

private:
    QPointer<QAction> m_checkForUpdates;
};

} // namespace verandel
