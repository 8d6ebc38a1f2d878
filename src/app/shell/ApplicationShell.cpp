#include "shell/ApplicationShell.h"

#include <QCoreApplication>

namespace verandel {

ApplicationShell::ApplicationShell(AppDelegate &delegate, LaunchOptions launchOptions, ClockPtr clock,
                                   TrayHostWait::IsAvailable isTrayAvailable, QObject *parent)
    : QObject(parent)
    , m_delegate(delegate)
    , m_launchOptions(std::move(launchOptions))
    , m_logger(delegate.logger())
    , m_statusMenu(std::make_unique<QMenu>())
    , m_trayHostWait(std::move(clock), std::move(isTrayAvailable))
{
    QAction *quit = m_statusMenu->addAction(QStringLiteral("Quit Verandel"));
    quit->setShortcut(QKeySequence(QStringLiteral("Ctrl+Q")));
    connect(quit, &QAction::triggered, this, [] { QCoreApplication::quit(); });
}

ApplicationShell::~ApplicationShell() = default;

void ApplicationShell::start()
{
    const QIcon icon(StatusTray::applicationIconPath);
    StatusTray::rendersVisibly(icon, StatusTray::applicationIconPath, *m_logger);
    m_tray = std::make_unique<StatusTray>(icon,
                                          AppDelegate::trayToolTip(m_delegate.runtimeEnvironment().debugProfileName()),
                                          m_statusMenu.get(), m_logger);
    connect(m_tray.get(), &StatusTray::activated, &m_delegate, [this] { m_delegate.handleReopen({}, {}); });
    // Shown before a host exists: Qt embeds the icon once one appears.
    m_tray->show();
    m_trayHostWait.start(m_launchOptions.autostart, [this](bool available) { onTrayHostAnswer(available); });
}

void ApplicationShell::onTrayHostAnswer(bool available)
{
    if (available) {
        m_logger->info(QStringLiteral("Tray icon shown"));
        return;
    }
    m_logger->warning(QStringLiteral("No system tray is available; showing the Control Center instead"));
    Q_EMIT trayUnavailable();
}

} // namespace verandel
