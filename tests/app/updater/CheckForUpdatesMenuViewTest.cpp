#include "updater/CheckForUpdatesMenuView.h"
#include "support/fakes/FakeSparkleUpdater.h"
#include "support/fakes/RecordingLoggerFactory.h"

#include <QCoreApplication>

#include <gtest/gtest.h>

namespace verandel::test {
namespace {

TEST(CheckForUpdatesMenuViewTest, FollowsTheUpdaterAndLogsTheUsersCheck)
{
    RecordingLoggerFactory logs;
    auto updater = std::make_shared<FakeSparkleUpdater>();
    updater->canCheck = true;
    CheckForUpdatesViewModel viewModel(updater);
    int checks = 0;
    CheckForUpdatesMenuView view(
        &viewModel, [&checks] { ++checks; }, logs.createLogger(QStringLiteral("CheckForUpdatesMenuView")));
    EXPECT_EQ(view.action()->text(), QStringLiteral("Check for Updates…"));
    EXPECT_FALSE(view.action()->isEnabled()) << "until the first value arrives";
    QCoreApplication::processEvents();
    EXPECT_TRUE(view.action()->isEnabled());
    updater->setCanCheck(false);
    QCoreApplication::processEvents();
    EXPECT_FALSE(view.action()->isEnabled());
    updater->setCanCheck(true);
    QCoreApplication::processEvents();
    view.action()->trigger();
    EXPECT_EQ(checks, 1);
    EXPECT_TRUE(logs.contains(LogLevel::Info, QStringLiteral("Sparkle: User initiated check for updates (menu)")));
}

// An updater that never starts (no feed or key) never says it can check: the command stays disabled.
TEST(CheckForUpdatesMenuViewTest, StaysDisabledOverAnUpdaterThatCannotCheck)
{
    RecordingLoggerFactory logs;
    auto updater = std::make_shared<FakeSparkleUpdater>();
    CheckForUpdatesViewModel viewModel(updater);
    CheckForUpdatesMenuView view(
        &viewModel, [] {}, logs.createLogger(QStringLiteral("CheckForUpdatesMenuView")));
    QCoreApplication::processEvents();
    EXPECT_FALSE(viewModel.canCheckForUpdates());
    EXPECT_FALSE(view.action()->isEnabled());
}

} // namespace
} // namespace verandel::test
