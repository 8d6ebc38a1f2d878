#pragma once

#include <QList>
#include <QObject>
#include <QPointer>

class QAction;
class QMenuBar;

namespace verandel {

// The "Verandel" menu: About, Settings…, Control Center…, Check for Updates…, Quit Verandel. Most
// Linux desktops have no global menu bar, so each window carries its own bar with this menu; every bar
// made here follows the one check-for-updates state.
class ApplicationMenu final : public QObject
{
    Q_OBJECT

public:
    explicit ApplicationMenu(QObject *parent = nullptr);
    ~ApplicationMenu() override;

    // A new bar for one window; the window owns it.
    QMenuBar *makeMenuBar();
    // Enabled until the updater says otherwise.
    void setCanCheckForUpdates(bool canCheck);
    bool canCheckForUpdates() const { return m_canCheckForUpdates; }

Q_SIGNALS:
    void aboutRequested();
    void settingsRequested();
    void controlCenterRequested();
    void checkForUpdatesRequested();
    void quitRequested();

private:
    bool m_canCheckForUpdates = true;
    QList<QPointer<QAction>> m_checkForUpdatesActions;
};

} // namespace verandel
