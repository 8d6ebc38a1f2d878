#include "UpdateEngineFixture.h"

#include "foundation/StorageManager.h"
#include "support/FaultyFileManager.h"
#include "update/UpdateCheckCoordinator.h"
#include "update/UpdaterControllerHolder.h"

namespace verandel::test {
namespace {

// The program's update stack as the application builds it (holder, driver, gate, engine, check
// coordinator, shared status), against the loopback feed.
class UpdaterStackTest : public UpdateEngineFixture
{
protected:
    void SetUp() override
    {
        UpdateEngineFixture::SetUp();
        storeClock->setAutoAdvance(true);
        storage = StorageManager::create(files, storeClock, home.filePath(QStringLiteral("store")), logs);
        store = std::make_shared<AppUpdatePreferencesStore>(storage, logs);
    }

    void build()
    {
        holder = UpdaterControllerHolder::make(status, logs, delegate->feedURL, store, environment(),
                                               [this](const QUrl &url) { opened.append(url); });
        coordinator
            = std::make_unique<UpdateCheckCoordinator>(status, logs.createLogger(QStringLiteral("AppDelegate")), clock);
        if (holder->start()) {
            coordinator->bind(holder->canCheckForUpdatesPublisher());
        }
    }
    bool waitForIdle()
    {
        return waitUntil(
            [this] { return !status->isChecking() && holder->canCheckForUpdatesPublisher()->canCheckForUpdates(); },
            20000);
    }

    std::shared_ptr<FaultyFileManager> files = std::make_shared<FaultyFileManager>();
    std::shared_ptr<ManualClock> storeClock = std::make_shared<ManualClock>();
    StorageManagerPtr storage;
    AppUpdatePreferencesStorePtr store;
    UpdateCheckStatusPtr status = std::make_shared<UpdateCheckStatusObservable>();
    QList<QUrl> opened;
    UpdaterControllerHolderPtr holder;
    std::unique_ptr<UpdateCheckCoordinator> coordinator;
};

TEST_F(UpdaterStackTest, FoundUpdateIsHeldUntilTheUserInstallsIt)
{
    publish(QStringLiteral("1.1.0"), makeReleaseTarball(QStringLiteral("1.1.0")));
    store->setAutomaticInstallationEnabled(false);
    build();
    EXPECT_TRUE(status->isChecking()) << "the launch check";
    ASSERT_TRUE(waitForIdle());
    ASSERT_TRUE(status->updateAvailable());
    EXPECT_EQ(status->updateAvailable()->version, QStringLiteral("1.1.0"));
    EXPECT_TRUE(status->isExplicitInstallActionAvailable());
    EXPECT_EQ(server.requestCount("/verandel-1.1.0.tar.gz"), 0);

    // A user check presents the held update again; the reply it replaced is void.
    holder->checkForUpdates();
    EXPECT_FALSE(status->isChecking());
    EXPECT_TRUE(status->isExplicitInstallActionAvailable());

    EXPECT_TRUE(holder->installPendingUpdateIfAvailable());
    ASSERT_TRUE(waitUntil([this] { return !relauncher->calls.isEmpty(); }, 20000));
    EXPECT_EQ(currentTarget(), installation.root() + QStringLiteral("/1.1.0"));
    EXPECT_EQ(relauncher->calls[0].program, installation.launcherPath());
    EXPECT_FALSE(status->errorMessage());
}

TEST_F(UpdaterStackTest, RefusedBackgroundCheckShowsNoError)
{
    publish(QStringLiteral("1.1.0"), makeReleaseTarball(QStringLiteral("1.1.0")));
    store->setAutomaticChecksEnabled(false);
    build();
    EXPECT_FALSE(status->isChecking());
    // The engine's own daily check is refused by the gate.
    auto engine = std::dynamic_pointer_cast<SparkleUpdating>(holder->canCheckForUpdatesPublisher());
    ASSERT_TRUE(engine);
    engine->checkForUpdatesInBackground();
    EXPECT_FALSE(status->errorMessage());
    EXPECT_TRUE(server.requestedPaths().isEmpty());
    EXPECT_TRUE(logs.contains(
        LogLevel::Info,
        QStringLiteral("Sparkle: Ignoring blocked background update check because automatic checks are disabled")));
}

TEST_F(UpdaterStackTest, InformationLinkFromTheFeedOpensOnlyAsAWebPage)
{
    FeedItem notice;
    notice.version = QStringLiteral("2.0");
    notice.informationOnly = true;
    notice.link = QStringLiteral("file:///usr/share/applications/xterm.desktop");
    server.serve("/appcast.xml", makeAppcast({notice}));
    build();
    ASSERT_TRUE(waitForIdle());
    EXPECT_TRUE(opened.isEmpty());
    EXPECT_FALSE(status->pendingUpdate());

    notice.link = QStringLiteral("https://example.com/release/2.0");
    server.serve("/appcast.xml", makeAppcast({notice}));
    holder->checkForUpdates();
    ASSERT_TRUE(waitForIdle());
    EXPECT_EQ(opened, QList<QUrl>({QUrl(notice.link)}));
}

TEST_F(UpdaterStackTest, BuildWithoutFeedHasNoUpdater)
{
    delegate->feedURL.reset();
    build();
    EXPECT_FALSE(holder->updatesAvailable());
    EXPECT_FALSE(holder->canCheckForUpdatesPublisher()->canCheckForUpdates());
    holder->checkForUpdates();
    EXPECT_FALSE(status->isChecking());
    EXPECT_FALSE(status->errorMessage());
    EXPECT_TRUE(server.requestedPaths().isEmpty());
}

} // namespace
} // namespace verandel::test
