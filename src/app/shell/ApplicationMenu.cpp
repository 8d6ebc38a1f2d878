#include "shell/ApplicationMenu.h"

#include <QAction>
#include <QMenuBar>

namespace verandel {

ApplicationMenu::ApplicationMenu(QObject *parent)
    : QObject(parent)
{ }

ApplicationMenu::~ApplicationMenu() = default;

QMenuBar *ApplicationMenu::makeMenuBar()
{
    auto *bar = new QMenuBar;
    QMenu *menu = bar->addMenu(QStringLiteral("&Verandel"));
    const auto add = [&](const QString &text, void (ApplicationMenu::*signal)(), const QKeySequence &keys = {}) {
        QAction *action = menu->addAction(text);
        action->setShortcut(keys);
        // A window's shortcut works while that window has the focus.
        action->setShortcutContext(Qt::WindowShortcut);
        connect(action, &QAction::triggered, this, signal);
        return action;
    };
    add(QStringLiteral("About Verandel"), &ApplicationMenu::aboutRequested);
    if (m_checkForUpdates) {
        menu->addAction(m_checkForUpdates);
    }
    menu->addSeparator();
    add(QStringLiteral("Settings…"), &ApplicationMenu::settingsRequested, QKeySequence(QStringLiteral("Ctrl+,")));
    add(QStringLiteral("Control Center…"), &ApplicationMenu::controlCenterRequested);
    menu->addSeparator();
    add(QStringLiteral("Quit Verandel"), &ApplicationMenu::quitRequested, QKeySequence(QStringLiteral("Ctrl+Q")));
    return bar;
}

} // namespace verandel
