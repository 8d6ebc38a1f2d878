#include "shell/ApplicationMenu.h"
#include "support/fakes/FakeSparkleUpdater.h"
#include "support/fakes/RecordingLoggerFactory.h"
#include "updater/CheckForUpdatesMenuView.h"

#include <QCoreApplication>

#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>
#include <QSignalSpy>

#include <gtest/gtest.h>

using namespace verandel;
using namespace verandel::test;

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
    RecordingLoggerFactory logs;
    auto updater = std::make_shared<FakeSparkleUpdater>();
    CheckForUpdatesViewModel viewModel(updater);
    int checks = 0;
    CheckForUpdatesMenuView checkForUpdates(
        &viewModel, [&checks] { ++checks; }, logs.createLogger(QStringLiteral("CheckForUpdatesMenuView")));
    ApplicationMenu menu;
    menu.setCheckForUpdatesAction(checkForUpdates.action());
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
        EXPECT_EQ(items->actions().at(1), checkForUpdates.action());
    }

    const struct
    {
        int index;
        void (ApplicationMenu::*signal)();
    } routes[] = {{0, &ApplicationMenu::aboutRequested},
                  {3, &ApplicationMenu::settingsRequested},
                  {4, &ApplicationMenu::controlCenterRequested},
                  {6, &ApplicationMenu::quitRequested}};
    for (const auto &route : routes) {
        QSignalSpy spy(&menu, route.signal);
        verandelMenu(controlCenter.menuBar())->actions().at(route.index)->trigger();
        EXPECT_EQ(spy.count(), 1) << route.index;
    }

    // Every bar follows the one command: disabled until the updater says it can check.
    QMainWindow later;
    later.setMenuBar(menu.makeMenuBar());
    const auto enabledInEveryBar = [&] {
        QList<bool> enabled;
        for (QMainWindow *window : {&settings, &controlCenter, &later}) {
            enabled.append(verandelMenu(window->menuBar())->actions().at(1)->isEnabled());
        }
        return enabled;
    };
    QCoreApplication::processEvents();
    EXPECT_EQ(enabledInEveryBar(), QList<bool>({false, false, false}));
    updater->setCanCheck(true);
    QCoreApplication::processEvents();
    EXPECT_EQ(enabledInEveryBar(), QList<bool>({true, true, true}));
    verandelMenu(later.menuBar())->actions().at(1)->trigger();
    EXPECT_EQ(checks, 1);
}

TEST(ApplicationMenuTest, WithoutTheUpdatersCommandTheMenuHasNoCheckItem)
{
    ApplicationMenu menu;
    QMainWindow window;
    window.setMenuBar(menu.makeMenuBar());
    EXPECT_EQ(
        itemTexts(verandelMenu(window.menuBar())),
        (QStringList{QStringLiteral("About Verandel|"), QStringLiteral("-"), QStringLiteral("Settings…|Ctrl+,"),
                     QStringLiteral("Control Center…|"), QStringLiteral("-"), QStringLiteral("Quit Verandel|Ctrl+Q")}));
}

} // namespace
