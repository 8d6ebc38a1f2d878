#include "update/UpdateCheckCoordinator.h"
#include "support/ManualClock.h"
#include "support/RunTask.h"
#include "support/fakes/FakeSparkleUpdater.h"
#include "support/fakes/RecordingLoggerFactory.h"

#include <gtest/gtest.h>

namespace verandel::test {
namespace {

const QString timedOut = QStringLiteral("Sparkle: Update check timed out after 30 seconds");

class UpdateCheckCoordinatorTest : public ::testing::Test
{
protected:
    std::unique_ptr<UpdateCheckCoordinator> makeCoordinator()
    {
        return std::make_unique<UpdateCheckCoordinator>(status, logs.createLogger(QStringLiteral("AppDelegate")), clock,
                                                        interval);
    }
    int timeouts() const { return static_cast<int>(logs.messages(LogLevel::Warning).count(timedOut)); }
    // Lets cancelled watchdogs finish their queued resumption.
    static void settle() { QCoreApplication::processEvents(); }

    static constexpr double interval = 5.0; // injected: shorter than the 30 seconds of the program
    RecordingLoggerFactory logs;
    std::shared_ptr<ManualClock> clock = std::make_shared<ManualClock>();
    UpdateCheckStatusPtr status = std::make_shared<UpdateCheckStatusObservable>();
};

TEST_F(UpdateCheckCoordinatorTest, WatchdogEndsACheckThatHangs)
{
    auto coordinator = makeCoordinator();
    status->startCheck();
    clock->advance(interval - 0.5);
    EXPECT_TRUE(status->isChecking());
    clock->advance(0.5);
    EXPECT_FALSE(status->isChecking());
    EXPECT_EQ(status->errorMessage(), QStringLiteral("Could not check for updates. Please try again."));
    EXPECT_EQ(timeouts(), 1);
    EXPECT_TRUE(logs.contains(LogLevel::Info, QStringLiteral("Sparkle: Update check started")));
}

TEST_F(UpdateCheckCoordinatorTest, ANewCheckRearmsAndAnEndedCheckDisarms)
{
    auto coordinator = makeCoordinator();
    status->startCheck();
    clock->advance(3);
    status->finishCheck();
    settle();
    status->startCheck();
    clock->advance(interval - 1); // past the first watchdog's time
    settle();
    EXPECT_TRUE(status->isChecking());
    EXPECT_EQ(timeouts(), 0);
    clock->advance(1);
    EXPECT_FALSE(status->isChecking());
    EXPECT_EQ(timeouts(), 1);

    status->startCheck();
    status->finishCheck();
    settle();
    clock->advance(interval * 2);
    EXPECT_EQ(timeouts(), 1) << "a watchdog whose check ended does nothing";
    EXPECT_FALSE(status->errorMessage());
}

TEST_F(UpdateCheckCoordinatorTest, IgnoresTheValueAtCreationAndRepeatedValues)
{
    status->startCheck();
    auto coordinator = makeCoordinator();
    clock->advance(interval * 2);
    EXPECT_TRUE(status->isChecking()) << "the value at creation arms nothing";
    EXPECT_EQ(logs.messages(LogLevel::Info).count(QStringLiteral("Sparkle: Update check started")), 0);

    status->setIsChecking(true); // first value after creation: handled
    clock->advance(interval - 1);
    status->setIsChecking(true); // repeated: the watchdog keeps its time
    clock->advance(1);
    EXPECT_FALSE(status->isChecking());
    EXPECT_EQ(logs.messages(LogLevel::Info).count(QStringLiteral("Sparkle: Update check started")), 1);
}

TEST_F(UpdateCheckCoordinatorTest, CanCheckAgainEndsARunningCheck)
{
    auto coordinator = makeCoordinator();
    auto updater = std::make_shared<FakeSparkleUpdater>();
    updater->canCheck = true;
    status->startCheck();
    coordinator->bind(updater);
    EXPECT_FALSE(status->isChecking()) << "the first value on binding counts";
    EXPECT_TRUE(logs.contains(LogLevel::Info, QStringLiteral("Sparkle: Update check completed")));

    status->startCheck();
    updater->setCanCheck(false);
    EXPECT_TRUE(status->isChecking());
    updater->setCanCheck(true);
    EXPECT_FALSE(status->isChecking());
    updater->setCanCheck(true); // no check runs: nothing
    EXPECT_EQ(logs.messages(LogLevel::Info).count(QStringLiteral("Sparkle: Update check completed")), 2);
    settle();
    clock->advance(interval * 2);
    EXPECT_EQ(timeouts(), 0);
}

TEST_F(UpdateCheckCoordinatorTest, DestroyedCoordinatorLeavesTheStatusAlone)
{
    auto coordinator = makeCoordinator();
    status->startCheck();
    coordinator.reset();
    settle();
    clock->advance(interval * 2);
    EXPECT_TRUE(status->isChecking());
}

} // namespace
} // namespace verandel::test
