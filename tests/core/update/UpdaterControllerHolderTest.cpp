#include "update/UpdaterControllerHolder.h"
#include "support/StoreFixture.h"
#include "support/fakes/FakeSparkleUpdater.h"
#include "support/fakes/FakeUpdatesUserDriverControl.h"
#include "update/SparkleUpdateCheckError.h"
#include "update/SparkleUpdaterDelegateBridge.h"

#include <QSignalSpy>

namespace verandel::test {
namespace {

const QString category = QStringLiteral("UpdaterControllerHolder");
const QString attempting = QStringLiteral("Attempting to start Sparkle");

class UpdaterControllerHolderTest : public StoreFixture
{
protected:
    void SetUp() override
    {
        StoreFixture::SetUp();
        store = std::make_shared<AppUpdatePreferencesStore>(m_storage, m_logs);
        holder = std::make_shared<UpdaterControllerHolder>(status, m_logs, store, updater, driver, gate);
    }
    int attempts() const { return static_cast<int>(m_logs.messages(LogLevel::Info, category).count(attempting)); }

    UpdateCheckStatusPtr status = std::make_shared<UpdateCheckStatusObservable>();
    std::shared_ptr<FakeSparkleUpdater> updater = std::make_shared<FakeSparkleUpdater>();
    std::shared_ptr<FakeUpdatesUserDriverControl> driver = std::make_shared<FakeUpdatesUserDriverControl>();
    std::shared_ptr<FakeUpdateCheckGate> gate = std::make_shared<FakeUpdateCheckGate>();
    AppUpdatePreferencesStorePtr store;
    UpdaterControllerHolderPtr holder;
};

TEST_F(UpdaterControllerHolderTest, StartAppliesThePreferencesAndRunsTheLaunchCheck)
{
    ASSERT_TRUE(holder->start());
    EXPECT_EQ(updater->calls, QStringList({QStringLiteral("start"), QStringLiteral("background check")}));
    EXPECT_TRUE(status->isChecking());
    EXPECT_TRUE(updater->automaticChecks);
    EXPECT_TRUE(updater->automaticDownloads);
    EXPECT_EQ(gate->appliedAutomaticChecks, QList<bool>({true}));
    EXPECT_EQ(driver->appliedAutomaticInstallation, QList<bool>({true}));
    holder->checkForUpdates();
    EXPECT_EQ(updater->calls.last(), QStringLiteral("check"));
    EXPECT_EQ(attempts(), 1) << "a started updater is not started again";
}

TEST_F(UpdaterControllerHolderTest, AutomaticChecksOffSkipTheLaunchCheckButNotTheUsers)
{
    store->setAutomaticChecksEnabled(false);
    store->setAutomaticInstallationEnabled(false);
    ASSERT_TRUE(holder->start());
    EXPECT_EQ(updater->calls, QStringList({QStringLiteral("start")}));
    EXPECT_FALSE(status->isChecking());
    EXPECT_TRUE(m_logs.contains(
        LogLevel::Info,
        QStringLiteral("Sparkle: Skipping startup background update check because automatic checks are disabled")));
    EXPECT_FALSE(updater->automaticDownloads);
    holder->checkForUpdates();
    EXPECT_TRUE(status->isChecking());
    EXPECT_EQ(updater->calls.last(), QStringLiteral("check"));
    EXPECT_EQ(gate->appliedAutomaticChecks, QList<bool>({false, false}));
}

TEST_F(UpdaterControllerHolderTest, FailedStartIsReportedAndTriedAgainByTheNextCheck)
{
    updater->startError = UpdaterError(UpdaterError::feedFailed, QStringLiteral("Cache folder unwritable."));
    status->startCheck();
    EXPECT_FALSE(holder->start());
    EXPECT_FALSE(status->isChecking());
    EXPECT_EQ(status->errorMessage(), QStringLiteral("Could not check for updates. Please try again."));
    EXPECT_TRUE(
        m_logs.contains(LogLevel::Warning, QStringLiteral("Sparkle failed to start: Cache folder unwritable.")));
    updater->startError.reset();
    holder->checkForUpdates();
    EXPECT_EQ(attempts(), 2);
    EXPECT_EQ(updater->calls, QStringList({QStringLiteral("start"), QStringLiteral("start"), QStringLiteral("check")}));
    EXPECT_TRUE(holder->updatesAvailable());
}

TEST_F(UpdaterControllerHolderTest, BuildWithoutFeedOrKeyHasNoUpdatesAndFailsOnlyOnce)
{
    // A build without a feed is meant to have no updater; one with a feed but no key is misconfigured.
    const struct
    {
        UpdaterError error;
        LogLevel level;
    } cases[] = {
        {UpdaterError(UpdaterError::noFeed, QStringLiteral("No update feed is configured for this installation.")),
         LogLevel::Info},
        {UpdaterError(UpdaterError::notConfigured,
                      QStringLiteral("No update signing key is configured for this installation.")),
         LogLevel::Warning},
    };
    for (const auto &c : cases) {
        RecordingLoggerFactory logs;
        auto failing = std::make_shared<FakeSparkleUpdater>();
        auto localStatus = std::make_shared<UpdateCheckStatusObservable>();
        auto localHolder = std::make_shared<UpdaterControllerHolder>(localStatus, logs, store, failing,
                                                                     std::make_shared<FakeUpdatesUserDriverControl>(),
                                                                     std::make_shared<FakeUpdateCheckGate>());
        failing->startError = c.error;
        QSignalSpy availability(localHolder.get(), &UpdaterControllerHolder::updatesAvailableChanged);
        EXPECT_FALSE(localHolder->start());
        EXPECT_FALSE(localHolder->updatesAvailable());
        EXPECT_EQ(availability.count(), 1);
        EXPECT_FALSE(localStatus->errorMessage()) << "the windows say updates are not available instead";
        localHolder->checkForUpdates();
        EXPECT_EQ(failing->calls, QStringList({QStringLiteral("start")}));
        const QString failed = QStringLiteral("Sparkle failed to start: ") + c.error.localizedDescription();
        const LogLevel other = c.level == LogLevel::Info ? LogLevel::Warning : LogLevel::Info;
        EXPECT_EQ(logs.messages(c.level, category).count(failed), 1);
        EXPECT_EQ(logs.messages(other, category).count(failed), 0);
        EXPECT_FALSE(localStatus->isChecking());
    }
}

TEST_F(UpdaterControllerHolderTest, PreferenceChangesReachUpdaterGateAndDriver)
{
    ASSERT_TRUE(holder->start());
    store->setAutomaticInstallationEnabled(false);
    holder->applyUpdatePreferences();
    EXPECT_FALSE(updater->automaticDownloads);
    EXPECT_EQ(driver->appliedAutomaticInstallation, QList<bool>({true, false}));
    EXPECT_FALSE(holder->installPendingUpdateIfAvailable());
    driver->heldUpdate = true;
    EXPECT_TRUE(holder->installPendingUpdateIfAvailable());
    EXPECT_FALSE(holder->installPendingUpdateIfAvailable());
}

TEST(SparkleUpdaterDelegateBridgeTest, RefusesOnlyBackgroundChecksWhileAutomaticChecksAreOff)
{
    RecordingLoggerFactory logs;
    SparkleUpdaterDelegateBridge bridge(std::nullopt, logs.createLogger(category));
    EXPECT_FALSE(bridge.feedURLString());
    EXPECT_FALSE(bridge.mayPerformUpdateCheck(UpdateCheckKind::background));
    bridge.setAutomaticChecksEnabled(false);
    EXPECT_FALSE(bridge.mayPerformUpdateCheck(UpdateCheckKind::userInitiated));
    const std::optional<UpdaterError> refusal = bridge.mayPerformUpdateCheck(UpdateCheckKind::background);
    ASSERT_TRUE(refusal);
    EXPECT_EQ(refusal->domain(), QStringLiteral("Verandel.UpdaterControllerHolder"));
    EXPECT_EQ(refusal->code(), 1);
    EXPECT_EQ(refusal->localizedDescription(), QStringLiteral("Automatic update checks are disabled."));
    EXPECT_EQ(logs.messages(LogLevel::Info, category),
              QStringList(
                  {QStringLiteral("Sparkle: Blocking background update check because automatic checks are disabled")}));
    EXPECT_EQ(SparkleUpdaterDelegateBridge(QStringLiteral("https://example.com/a.xml"), logs.createLogger(category))
                  .feedURLString(),
              QStringLiteral("https://example.com/a.xml"));
}

} // namespace
} // namespace verandel::test
