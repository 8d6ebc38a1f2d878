#pragma once

#include "tray/QuickTransferMenuCommand.h"

#include "kit/IconProvider.h"

#include <QMenu>
#include <QObject>

#include <memory>

namespace verandel {

// The tray icon's menu: "Control Center…", the quick-transfer items, "Install Update…" while an update
// waits for the user, "Settings…" and "Quit Verandel". Built once and edited in place; items are found
// by their tag (an action property). The choices come out as signals.
class ControlCenterStatusMenu final : public QObject
{
    Q_OBJECT

public:
    static constexpr int transferCommandsInsertionTag = 24001;
    static constexpr int transferCommandTag = 24002;
    static constexpr int installUpdateCommandTag = 24003;
    // The action property that holds an item's tag.
    static constexpr const char *tagProperty = "verandelTag";

    explicit ControlCenterStatusMenu(IconProviderPtr icons, QObject *parent = nullptr);
    ~ControlCenterStatusMenu() override;

    QMenu *menu() const { return m_menu.get(); }
    static int tag(const QAction *action);

    // Replaces the quick-transfer items with these, in order, after the hidden anchor. Trays that
    // receive the menu over DBusMenu show no tool tips, so the reason of a refused item is only a
    // help; choosing an item checks again.
    void setTransferCommands(const QList<QuickTransferMenuCommand> &commands);
    // Shows "Install Update…" once, before the separator that follows the quick-transfer items.
    void setInstallUpdateCommand(bool isVisible);

Q_SIGNALS:
    void controlCenterRequested();
    void transferRequested(const verandel::QuickTransferAction &action);
    void installUpdateRequested();
    void settingsRequested();
    void quitRequested();

private:
    QAction *addItem(const QString &text, int tag);
    void removeTagged(int tag);
    int indexOfTag(int tag) const;

    IconProviderPtr m_icons;
    std::unique_ptr<QMenu> m_menu;
};

} // namespace verandel
