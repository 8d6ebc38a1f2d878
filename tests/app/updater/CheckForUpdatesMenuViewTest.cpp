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

    // Without a holder: enabled at once (from the event loop), and choosing it does nothing.
    CheckForUpdatesViewModel constant(std::make_shared<ConstantCanCheckForUpdatesPublisher>(true));
    CheckForUpdatesMenuView noHolder(&constant, {}, logs.createLogger(QStringLiteral("CheckForUpdatesMenuView")));
    QCoreApplication::processEvents();
    EXPECT_TRUE(noHolder.action()->isEnabled());
    noHolder.action()->trigger();
}

} // namespace
} // namespace verandel::test
