#include "shell/ApplicationMenu.h"

#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>
#include <QSignalSpy>

#include <gtest/gtest.h>

using namespace verandel;

namespace {

QMenu *verandelMenu(QMenuBar *bar)
{
    return bar->actions().value(0) ? bar->actions().first()->menu() : nullptr;
}

QStringList itemTexts(QMenu *menu)
{
    QStringList texts;
    for (QAction *action : menu->actions()) {
        texts.append(action->isSeparator() ? QStringLiteral("-")
                                           : action->text() + QLatin1Char('|') + action->shortcut().toString());
    }
    return texts;
}

TEST(ApplicationMenuTest, EachWindowsBarHasTheVerandelMenuAndItsItemsReachTheShell)
{
    ApplicationMenu menu;
    QMainWindow settings;
    settings.setMenuBar(menu.makeMenuBar());
    QMainWindow controlCenter;
    controlCenter.setMenuBar(menu.makeMenuBar());

    for (QMainWindow *window : {&settings, &controlCenter}) {
        QMenu *items = verandelMenu(window->menuBar());
        ASSERT_NE(items, nullptr);
        EXPECT_EQ(items->title(), QStringLiteral("&Verandel"));
        EXPECT_EQ(
            itemTexts(items),
            (QStringList{QStringLiteral("About Verandel|"), QStringLiteral("Check for Updates…|"), QStringLiteral("-"),
                         QStringLiteral("Settings…|Ctrl+,"), QStringLiteral("Control Center…|"), QStringLiteral("-"),
                         QStringLiteral("Quit Verandel|Ctrl+Q")}));
    }

    const struct
    {
        int index;
        void (ApplicationMenu::*signal)();
    } routes[] = {{0, &ApplicationMenu::aboutRequested},
                  {1, &ApplicationMenu::checkForUpdatesRequested},
                  {3, &ApplicationMenu::settingsRequested},
                  {4, &ApplicationMenu::controlCenterRequested},
                  {6, &ApplicationMenu::quitRequested}};
    for (const auto &route : routes) {
        QSignalSpy spy(&menu, route.signal);
        verandelMenu(controlCenter.menuBar())->actions().at(route.index)->trigger();
        EXPECT_EQ(spy.count(), 1) << route.index;
    }

    menu.setCanCheckForUpdates(false);
    QMainWindow later;
    later.setMenuBar(menu.makeMenuBar());
    for (QMainWindow *window : {&settings, &controlCenter, &later}) {
        EXPECT_FALSE(verandelMenu(window->menuBar())->actions().at(1)->isEnabled());
    }
    menu.setCanCheckForUpdates(true);
    EXPECT_TRUE(verandelMenu(later.menuBar())->actions().at(1)->isEnabled());
}

} // namespace
