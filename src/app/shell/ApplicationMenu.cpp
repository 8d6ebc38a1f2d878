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
    QAction *updates = add(QStringLiteral("Check for Updates…"), &ApplicationMenu::checkForUpdatesRequested);
    updates->setEnabled(m_canCheckForUpdates);
    m_checkForUpdatesActions.append(updates);
    menu->addSeparator();
    add(QStringLiteral("Settings…"), &ApplicationMenu::settingsRequested, QKeySequence(QStringLiteral("Ctrl+,")));
    add(QStringLiteral("Control Center…"), &ApplicationMenu::controlCenterRequested);
    menu->addSeparator();
    add(QStringLiteral("Quit Verandel"), &ApplicationMenu::quitRequested, QKeySequence(QStringLiteral("Ctrl+Q")));
    return bar;
}

void ApplicationMenu::setCanCheckForUpdates(bool canCheck)
{
    m_canCheckForUpdates = canCheck;
    m_checkForUpdatesActions.removeAll(nullptr);
    for (const QPointer<QAction> &action : std::as_const(m_checkForUpdatesActions)) {
        action->setEnabled(canCheck);
    }
}

} // namespace verandel
