#pragma once

#include "shell/AppDelegate.h"
#include "shell/StatusTray.h"
#include "shell/TrayHostWait.h"

#include <QMenu>
#include <QObject>

#include <memory>

namespace verandel {

// What the user sees of the running program: the tray icon with the status menu, and what to show
// when no tray host is there to hold it. Built once the delegate has launched.
class ApplicationShell final : public QObject
{
    Q_OBJECT

public:
    ApplicationShell(AppDelegate &delegate, LaunchOptions launchOptions, ClockPtr clock,
                     TrayHostWait::IsAvailable isTrayAvailable = &QSystemTrayIcon::isSystemTrayAvailable,
                     QObject *parent = nullptr);
    ~ApplicationShell() override;

    // Shows the tray icon and, at login, gives the panel time to appear.
    void start();

    StatusTray *tray() const { return m_tray.get(); }
    QMenu *statusMenu() const { return m_statusMenu.get(); }

Q_SIGNALS:
    // No tray host: the program shows a window so that it stays usable.
    void trayUnavailable();

private:
    void onTrayHostAnswer(bool available);

    AppDelegate &m_delegate;
    LaunchOptions m_launchOptions;
    LoggerPtr m_logger;
    std::unique_ptr<QMenu> m_statusMenu;
    std::unique_ptr<StatusTray> m_tray;
    TrayHostWait m_trayHostWait;
};

} // namespace verandel
