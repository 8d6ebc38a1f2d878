#include "tray/ControlCenterStatusMenu.h"

#include "kit/Theme.h"
#include "kit/UntrustedText.h"

namespace verandel {

ControlCenterStatusMenu::ControlCenterStatusMenu(IconProviderPtr icons, QObject *parent)
    : QObject(parent)
    , m_icons(std::move(icons))
    , m_menu(std::make_unique<QMenu>())
{
    m_menu->setToolTipsVisible(true);
    connect(addItem(QStringLiteral("Control Center…"), 0), &QAction::triggered, this,
            &ControlCenterStatusMenu::controlCenterRequested);
    QAction *anchor = addItem(QString(), transferCommandsInsertionTag);
    anchor->setEnabled(false);
    anchor->setVisible(false);
    m_menu->addSeparator();
    QAction *settings = addItem(QStringLiteral("Settings…"), 0);
    settings->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Comma));
    connect(settings, &QAction::triggered, this, &ControlCenterStatusMenu::settingsRequested);
    m_menu->addSeparator();
    QAction *quit = addItem(QStringLiteral("Quit Verandel"), 0);
    quit->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Q));
    connect(quit, &QAction::triggered, this, &ControlCenterStatusMenu::quitRequested);
}

ControlCenterStatusMenu::~ControlCenterStatusMenu() = default;

int ControlCenterStatusMenu::tag(const QAction *action)
{
    return action->property(tagProperty).toInt();
}

QAction *ControlCenterStatusMenu::addItem(const QString &text, int tag)
{
    QAction *action = m_menu->addAction(text);
    action->setProperty(tagProperty, tag);
    return action;
}

int ControlCenterStatusMenu::indexOfTag(int wanted) const
{
    const QList<QAction *> actions = m_menu->actions();
    for (qsizetype index = 0; index < actions.size(); ++index) {
        if (tag(actions[index]) == wanted) {
            return static_cast<int>(index);
        }
    }
    return -1;
}

void ControlCenterStatusMenu::removeTagged(int wanted)
{
    const QList<QAction *> actions = m_menu->actions();
    for (QAction *action : actions) {
        if (tag(action) == wanted) {
            m_menu->removeAction(action);
            action->deleteLater();
        }
    }
}

void ControlCenterStatusMenu::setTransferCommands(const QList<QuickTransferMenuCommand> &commands)
{
    removeTagged(transferCommandTag);
    const int anchor = indexOfTag(transferCommandsInsertionTag);
    if (anchor < 0) {
        return;
    }
    const QColor warning = Theme::color(m_menu->palette(), ThemeColor::Orange);
    for (qsizetype i = 0; i < commands.size(); ++i) {
        const QuickTransferMenuCommand &command = commands[i];
        auto *action = new QAction(UntrustedText::mnemonicSafe(command.title), m_menu.get());
        action->setProperty(tagProperty, transferCommandTag);
        action->setEnabled(command.status.isEnabled());
        action->setToolTip(UntrustedText::toolTip(command.status.toolTip().value_or(QString())));
        if (command.status.showsUnavailableAffordance()) {
            // A refused item is disabled; its warning keeps its colour so that the reason stays visible.
            action->setIcon(m_icons->icon(QStringLiteral("exclamationmark.triangle"), warning, warning));
            action->setIconText(QStringLiteral("Unavailable"));
        }
        action->setData(QVariant::fromValue(command.action));
        connect(action, &QAction::triggered, this,
                [this, transfer = command.action] { Q_EMIT transferRequested(transfer); });
        const QList<QAction *> actions = m_menu->actions();
        m_menu->insertAction(actions.value(anchor + 1 + i), action);
    }
}

void ControlCenterStatusMenu::setInstallUpdateCommand(bool isVisible)
{
    removeTagged(installUpdateCommandTag);
    const int anchor = indexOfTag(transferCommandsInsertionTag);
    if (!isVisible || anchor < 0) {
        return;
    }
    const QList<QAction *> actions = m_menu->actions();
    QAction *before = nullptr;
    for (qsizetype index = anchor + 1; index < actions.size() && !before; ++index) {
        if (actions[index]->isSeparator()) {
            before = actions[index];
        }
    }
    auto *install = new QAction(QStringLiteral("Install Update…"), m_menu.get());
    install->setProperty(tagProperty, installUpdateCommandTag);
    connect(install, &QAction::triggered, this, &ControlCenterStatusMenu::installUpdateRequested);
    m_menu->insertAction(before, install);
}

} // namespace verandel
