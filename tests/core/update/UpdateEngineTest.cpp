#include "UpdateEngineFixture.h"

#include "desktop/LaunchAtLoginService.h"
#include "update/RelaunchHandoff.h"
#include "update/UpdateRelaunchMarker.h"

#include <QSignalSpy>

namespace verandel::test {
namespace {

class UpdateEngineTest : public UpdateEngineFixture
{ };

TEST_F(UpdateEngineTest, StartRefusesAnUpdaterWithoutFeedOrKeyAndCanBeRetried)
{
    delegate->feedURL.reset();
    UpdateEngineEnvironment env = environment();
    auto engine = std::make_shared<UpdateEngine>(env, driver, delegate, logs);
    EXPECT_THROW(engine->start(), UpdaterError);
    delegate->feedURL = QStringLiteral("http://updates.example.com/appcast.xml");
    EXPECT_THROW(engine->start(), UpdaterError) << "plain http to a remote host";
    delegate->feedURL = server.url(QStringLiteral("/appcast.xml")).toString();
    env.configuration.publicKey = "not a key";
    EXPECT_THROW(std::make_shared<UpdateEngine>(env, driver, delegate, logs)->start(), UpdaterError);
    EXPECT_FALSE(engine->canCheckForUpdates());
    engine->start();
    EXPECT_TRUE(engine->canCheckForUpdates());
}

TEST_F(UpdateEngineTest, NoNewerReleaseIsNotFound)
{
    publish(QStringLiteral("0.9.0"), makeReleaseTarball(QStringLiteral("0.9.0")));
    auto engine = startEngine();
    QSignalSpy canCheck(engine.get(), &SparkleUpdating::canCheckForUpdatesChanged);
    engine->checkForUpdates();
    ASSERT_TRUE(waitFor(QStringLiteral("dismiss")));
    EXPECT_EQ(driver->events, list({"user check", "not found", "dismiss"}));
    EXPECT_EQ(canCheck.count(), 2); // false while checking, true after
    EXPECT_TRUE(engine->canCheckForUpdates());
}

TEST_F(UpdateEngineTest, FoundUpdateIsHeldAndOfferedAgainToAUserCheck)
{
    publish(QStringLiteral("1.1.0"), makeReleaseTarball(QStringLiteral("1.1.0")));
    auto engine = startEngine();
    engine->checkForUpdatesInBackground();
    ASSERT_TRUE(waitFor(QStringLiteral("found 1.1.0")));
    EXPECT_TRUE(engine->canCheckForUpdates()) << "a held update waits for the user";
    EXPECT_EQ(server.requestCount("/verandel-1.1.0.tar.gz"), 0);

    UpdaterUserDriverProtocol::Reply firstReply = driver->heldFoundReply;
    engine->checkForUpdates();
    EXPECT_EQ(driver->events.count(QStringLiteral("found 1.1.0")), 2);
    EXPECT_EQ(server.requestCount("/appcast.xml"), 1) << "the held update is presented again, not fetched";
    firstReply(UserUpdateChoice::skip); // void now
    EXPECT_FALSE(driver->has(QStringLiteral("dismiss")));
    engine->checkForUpdatesInBackground();
    EXPECT_EQ(driver->events.count(QStringLiteral("found 1.1.0")), 2) << "a background check leaves it held";
}

TEST_F(UpdateEngineTest, AcceptedUpdateIsInstalledBesideTheOldOneAndRelaunches)
{
    publish(QStringLiteral("1.1.0"), makeReleaseTarball(QStringLiteral("1.1.0")));
    driver->foundChoice = UserUpdateChoice::install;
    driver->readyChoice = UserUpdateChoice::install;
    auto engine = startEngine();
    engine->checkForUpdatesInBackground();
    ASSERT_TRUE(waitFor(QStringLiteral("installing")));
    EXPECT_EQ(driver->events, list({"found 1.1.0", "download", "extract", "ready", "installing"}));
    EXPECT_EQ(currentTarget(), installation.root() + QStringLiteral("/1.1.0"));
    EXPECT_TRUE(versionFolderExists(QStringLiteral("1.0.0"))) << "kept until the new version started once";
    EXPECT_TRUE(QFileInfo(installation.launcherPath()).isExecutable());
    EXPECT_FALSE(QFileInfo::exists(home.path() + QStringLiteral("/cache/verandel-1.1.0.tar")));
    EXPECT_FALSE(engine->canCheckForUpdates());

    driver->retryTerminating();
    driver->retryTerminating();
    ASSERT_EQ(relauncher->calls.size(), 1);
    EXPECT_EQ(relauncher->calls[0].program, installation.launcherPath());
    EXPECT_EQ(RelaunchHandoff::oldPid(relauncher->calls[0].arguments), 4242);

    // The new version's first start reports the install and removes the old folder.
    driver->events.clear();
    auto relaunched = startEngine(environment(QStringLiteral("1.1.0")));
    EXPECT_EQ(driver->events, list({"installed and relaunched"}));
    EXPECT_FALSE(versionFolderExists(QStringLiteral("1.0.0")));
    EXPECT_TRUE(versionFolderExists(QStringLiteral("1.1.0")));
    EXPECT_FALSE(UpdateRelaunchMarker(home.path() + QStringLiteral("/update-relaunch.json")).take());

    // Launch at login written after the update still starts the stable launcher.
    const QString executable
        = installation.stableExecutablePath(installation.root() + QStringLiteral("/current/bin/verandel"));
    EXPECT_EQ(executable, installation.launcherPath());
    auto settings = std::make_shared<QSettings>(home.path() + QStringLiteral("/launch.ini"), QSettings::IniFormat);
    LaunchAtLoginService launchAtLogin(AutostartLocations{home.path() + QStringLiteral("/config"), {}}, executable,
                                       settings, logs);
    launchAtLogin.setEnabled(true);
    QFile entry(launchAtLogin.userEntryPath());
    ASSERT_TRUE(entry.open(QIODevice::ReadOnly));
    EXPECT_TRUE(entry.readAll().contains("Exec=\"" + installation.launcherPath().toUtf8() + "\" --autostart"));
}

TEST_F(UpdateEngineTest, PackageManagedInstallIsOnlyToldAboutTheRelease)
{
    publish(QStringLiteral("1.1.0"), makeReleaseTarball(QStringLiteral("1.1.0")));
    driver->foundChoice = UserUpdateChoice::dismiss;
    UpdateEngineEnvironment env = environment();
    env.executablePath = QStringLiteral("/usr/bin/true");
    auto engine = startEngine(env);
    engine->checkForUpdates();
    ASSERT_TRUE(waitFor(QStringLiteral("dismiss")));
    EXPECT_EQ(driver->events, list({"user check", "found 1.1.0 info", "dismiss"}));
    EXPECT_EQ(server.requestCount("/verandel-1.1.0.tar.gz"), 0);
    EXPECT_EQ(currentTarget(), installation.root() + QStringLiteral("/1.0.0"));
}

TEST_F(UpdateEngineTest, RefusedBackgroundCheckFetchesNothing)
{
    publish(QStringLiteral("1.1.0"), makeReleaseTarball(QStringLiteral("1.1.0")));
    delegate->refusedKinds = {UpdateCheckKind::background};
    auto engine = startEngine();
    engine->checkForUpdatesInBackground();
    EXPECT_EQ(driver->events, list({"error Verandel.UpdaterControllerHolder 1", "dismiss"}));
    EXPECT_TRUE(server.requestedPaths().isEmpty());
    engine->checkForUpdates();
    EXPECT_TRUE(waitFor(QStringLiteral("found 1.1.0")));
}

// Sessions that must end in an error, with nothing installed.
struct RefusedCase
{
    const char *name;
    // True when it served the feed itself.
    std::function<bool(UpdateEngineFixture &, QByteArray &tarball, FeedItem &item)> tamper;
    int expectedCode;
    // What the user is told, where the case has its own words.
    const char *expectedText = nullptr;
};

class RefusedUpdateTest : public UpdateEngineFixture, public ::testing::WithParamInterface<RefusedCase>
{ };

TEST_P(RefusedUpdateTest, EndsInAnErrorAndLeavesTheInstallAsItWas)
{
    QByteArray tarball = makeReleaseTarball(QStringLiteral("1.1.0"));
    FeedItem item;
    item.version = QStringLiteral("1.1.0");
    item.url = server.url(QStringLiteral("/verandel-1.1.0.tar.gz")).toString();
    item.arch = arch;
    const bool feedServed = GetParam().tamper(*this, tarball, item);
    if (item.length == 0) {
        item.length = tarball.size();
    }
    if (item.signature.isEmpty()) {
        item.signature = key.sign(tarball);
    }
    server.serve("/verandel-1.1.0.tar.gz", tarball);
    if (!feedServed) {
        server.serve("/appcast.xml", makeAppcast({item}));
    }
    driver->foundChoice = UserUpdateChoice::install;
    driver->readyChoice = UserUpdateChoice::install;
    auto engine = startEngine();
    engine->checkForUpdates();
    ASSERT_TRUE(waitFor(QStringLiteral("dismiss")));
    ASSERT_FALSE(driver->errors.isEmpty()) << driver->events.join(QStringLiteral(", ")).toStdString();
    EXPECT_EQ(driver->errors.last().code(), GetParam().expectedCode);
    if (GetParam().expectedText) {
        EXPECT_EQ(driver->errors.last().localizedDescription(), QString::fromUtf8(GetParam().expectedText));
    }
    EXPECT_FALSE(driver->has(QStringLiteral("installing")));
    EXPECT_EQ(currentTarget(), installation.root() + QStringLiteral("/1.0.0"));
    EXPECT_FALSE(versionFolderExists(QStringLiteral("1.1.0")));
    EXPECT_EQ(QDir(installation.root()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
              list({"1.0.0", "current"}));
    EXPECT_FALSE(QFileInfo::exists(home.path() + QStringLiteral("/escaped")));
    EXPECT_TRUE(engine->canCheckForUpdates());
}

INSTANTIATE_TEST_SUITE_P(
    Sessions, RefusedUpdateTest,
    ::testing::Values(
        RefusedCase{"BadSignature",
                    [](UpdateEngineFixture &, QByteArray &tarball, FeedItem &item) {
                        item.signature = TestSigningKey::generate().sign(tarball);
                        return false;
                    },
                    UpdaterError::signatureInvalid},
        RefusedCase{"Unsigned",
                    [](UpdateEngineFixture &, QByteArray &, FeedItem &item) {
                        item.signature = " ";
                        return false;
                    },
                    UpdaterError::signatureInvalid},
        RefusedCase{"FileChangedAfterSigning",
                    [](UpdateEngineFixture &fixture, QByteArray &tarball, FeedItem &item) {
                        item.signature = fixture.key.sign(tarball);
                        tarball[tarball.size() - 1] = static_cast<char>(tarball[tarball.size() - 1] ^ 1);
                        return false;
                    },
                    UpdaterError::signatureInvalid},
        RefusedCase{"DownloadLongerThanItsEnclosure",
                    [](UpdateEngineFixture &, QByteArray &tarball, FeedItem &item) {
                        item.length = tarball.size();
                        tarball.append(QByteArray(4096, 'x'));
                        return false;
                    },
                    UpdaterError::downloadFailed},
        RefusedCase{"DownloadShorterThanItsEnclosure",
                    [](UpdateEngineFixture &, QByteArray &tarball, FeedItem &item) {
                        item.length = tarball.size() + 10;
                        return false;
                    },
                    UpdaterError::downloadFailed},
        RefusedCase{"EntryClimbingOutOfTheFolder",
                    [](UpdateEngineFixture &, QByteArray &tarball, FeedItem &) {
                        tarball = makeTarball({TarEntry::file(QStringLiteral("bin/verandel"), "#!/bin/sh\n", 0755),
                                               TarEntry::file(QStringLiteral("../../../escaped"), "x")});
                        return false;
                    },
                    UpdaterError::installFailed},
        RefusedCase{"ChainedLinksLeavingTheFolder",
                    [](UpdateEngineFixture &, QByteArray &tarball, FeedItem &) {
                        // t, followed through s, is the home folder.
                        tarball = makeTarball({TarEntry::file(QStringLiteral("bin/verandel"), "#!/bin/sh\n", 0755),
                                               TarEntry::link(TarEntry::Type::symlink, QStringLiteral("a/b/c/d/e/s"),
                                                              QStringLiteral("../../../../..")),
                                               TarEntry::link(TarEntry::Type::symlink, QStringLiteral("a/b/c/d/e/t"),
                                                              QStringLiteral("s/../../../.."))});
                        return false;
                    },
                    UpdaterError::installFailed, "The update could not be unpacked: a link leaves the folder"},
        RefusedCase{"NoDownloadSize",
                    [](UpdateEngineFixture &, QByteArray &, FeedItem &item) {
                        item.length = -1;
                        return false;
                    },
                    UpdaterError::downloadFailed, "The update feed does not say how large the update is."},
        RefusedCase{"DownloadLargerThanAccepted",
                    [](UpdateEngineFixture &, QByteArray &, FeedItem &item) {
                        item.length = UpdateEngine::maxDownloadBytes + 1;
                        return false;
                    },
                    UpdaterError::downloadFailed, "The update is larger than Verandel accepts (256 MiB)."},
        RefusedCase{"ReleaseWithoutExecutable",
                    [](UpdateEngineFixture &, QByteArray &tarball, FeedItem &) {
                        tarball = makeTarball({TarEntry::file(QStringLiteral("README"), "x")});
                        return false;
                    },
                    UpdaterError::installFailed},
        RefusedCase{"OversizedFeed",
                    [](UpdateEngineFixture &fixture, QByteArray &, FeedItem &item) {
                        QByteArray feed = makeAppcast({item});
                        feed.insert(feed.indexOf("<channel>"),
                                    "<!--" + QByteArray(UpdateEngine::maxFeedBytes, 'x') + "-->");
                        fixture.server.serve("/appcast.xml", feed);
                        return true;
                    },
                    UpdaterError::feedFailed},
        RefusedCase{"FeedWithDocumentType",
                    [](UpdateEngineFixture &fixture, QByteArray &, FeedItem &item) {
                        QByteArray feed = makeAppcast({item});
                        feed.insert(feed.indexOf("<rss"), "<!DOCTYPE rss [<!ENTITY a \"aaaa\">]>\n");
                        fixture.server.serve("/appcast.xml", feed);
                        return true;
                    },
                    UpdaterError::feedInvalid}),
    [](const ::testing::TestParamInfo<RefusedCase> &info) { return std::string(info.param.name); });

TEST_F(UpdateEngineTest, InstallWaitsUntilNoTransferRuns)
{
    publish(QStringLiteral("1.1.0"), makeReleaseTarball(QStringLiteral("1.1.0")));
    driver->foundChoice = UserUpdateChoice::install;
    driver->readyChoice = UserUpdateChoice::install;
    activity->count = 1;
    auto engine = startEngine();
    engine->checkForUpdatesInBackground();
    const auto holds
        = [this] { return logs.messages(LogLevel::Info).filter(QStringLiteral("Holding the install")).size(); };
    ASSERT_TRUE(waitUntil([&holds] { return holds() == 1; }, 20000));
    EXPECT_FALSE(driver->has(QStringLiteral("installing")));
    EXPECT_EQ(currentTarget(), installation.root() + QStringLiteral("/1.0.0"));
    activity->setCount(2);
    ASSERT_TRUE(waitUntil([&holds] { return holds() == 2; }, 20000));
    activity->setCount(1);
    ASSERT_TRUE(waitUntil([&holds] { return holds() == 3; }, 20000));
    EXPECT_FALSE(driver->has(QStringLiteral("installing")));
    activity->setCount(0);
    ASSERT_TRUE(waitFor(QStringLiteral("installing")));
    EXPECT_EQ(currentTarget(), installation.root() + QStringLiteral("/1.1.0"));
}

TEST_F(UpdateEngineTest, SkipAtReadyToInstallDiscardsTheUnpackedRelease)
{
    publish(QStringLiteral("1.1.0"), makeReleaseTarball(QStringLiteral("1.1.0")));
    driver->foundChoice = UserUpdateChoice::install;
    driver->readyChoice = UserUpdateChoice::skip;
    auto engine = startEngine();
    engine->checkForUpdatesInBackground();
    ASSERT_TRUE(waitFor(QStringLiteral("dismiss")));
    EXPECT_FALSE(versionFolderExists(QStringLiteral("1.1.0")));
    EXPECT_EQ(currentTarget(), installation.root() + QStringLiteral("/1.0.0"));
    // Not skipped for good: the next background check offers it again.
    driver->foundChoice.reset();
    engine->checkForUpdatesInBackground();
    EXPECT_TRUE(waitFor(QStringLiteral("found 1.1.0")));
}

TEST_F(UpdateEngineTest, SkipAtFoundHidesTheVersionFromBackgroundChecksOnly)
{
    publish(QStringLiteral("1.1.0"), makeReleaseTarball(QStringLiteral("1.1.0")));
    driver->foundChoice = UserUpdateChoice::skip;
    auto engine = startEngine();
    engine->checkForUpdatesInBackground();
    ASSERT_TRUE(waitFor(QStringLiteral("dismiss")));
    driver->events.clear();
    engine->checkForUpdatesInBackground();
    ASSERT_TRUE(waitFor(QStringLiteral("dismiss")));
    EXPECT_EQ(driver->events, list({"not found", "dismiss"}));
    driver->events.clear();
    engine->checkForUpdates();
    EXPECT_TRUE(waitFor(QStringLiteral("found 1.1.0")));
}

TEST_F(UpdateEngineTest, FeedVersionThatIsNotDottedDecimalIsIgnored)
{
    FeedItem bad;
    bad.version = QStringLiteral("../../2.0");
    bad.url = server.url(QStringLiteral("/bad.tar.gz")).toString();
    bad.length = 10;
    bad.arch = arch;
    FeedItem beta = bad;
    beta.version = QStringLiteral("2.0-beta");
    publish(QStringLiteral("0.9.0"), makeReleaseTarball(QStringLiteral("0.9.0")), {bad, beta});
    auto engine = startEngine();
    engine->checkForUpdates();
    ASSERT_TRUE(waitFor(QStringLiteral("dismiss")));
    EXPECT_TRUE(driver->has(QStringLiteral("not found")));
    EXPECT_TRUE(logs.containsSubstring(LogLevel::Warning, QStringLiteral("unusable version \"../../2.0\"")));
    EXPECT_EQ(QDir(installation.root()).entryList(QDir::Dirs | QDir::NoDotAndDotDot), list({"1.0.0", "current"}));
}

TEST_F(UpdateEngineTest, RedirectsAreFollowedOnlyWithinTheRules)
{
    publish(QStringLiteral("1.1.0"), makeReleaseTarball(QStringLiteral("1.1.0")));
    server.redirect("/moved.xml", "/appcast.xml");
    delegate->feedURL = server.url(QStringLiteral("/moved.xml")).toString();
    auto engine = startEngine();
    engine->checkForUpdatesInBackground();
    ASSERT_TRUE(waitFor(QStringLiteral("found 1.1.0")));

    // A redirect off the loopback host over plain http is refused before any connection.
    auto other = startEngine();
    driver->events.clear();
    server.redirect("/moved.xml", "http://192.0.2.1/appcast.xml");
    other->checkForUpdatesInBackground();
    ASSERT_TRUE(waitFor(QStringLiteral("dismiss")));
    EXPECT_EQ(driver->events, list({"error Verandel.Updater 2", "dismiss"}));
}

TEST_F(UpdateEngineTest, ADownloadBehindTwoRedirectsIsInstalled)
{
    FeedItem item = publish(QStringLiteral("1.1.0"), makeReleaseTarball(QStringLiteral("1.1.0")));
    server.redirect("/mirror/1", "/mirror/2");
    server.redirect("/mirror/2", "/verandel-1.1.0.tar.gz", 307);
    item.url = server.url(QStringLiteral("/mirror/1")).toString();
    server.serve("/appcast.xml", makeAppcast({item}));
    driver->foundChoice = UserUpdateChoice::install;
    driver->readyChoice = UserUpdateChoice::install;
    auto engine = startEngine();
    engine->checkForUpdatesInBackground();
    ASSERT_TRUE(waitFor(QStringLiteral("installing"))) << driver->events.join(QStringLiteral(", ")).toStdString();
    EXPECT_EQ(currentTarget(), installation.root() + QStringLiteral("/1.1.0"));
    EXPECT_EQ(server.requestCount("/verandel-1.1.0.tar.gz"), 1);
}

TEST_F(UpdateEngineTest, ScheduleChecksOnceADayWhileAutomaticChecksAreOn)
{
    publish(QStringLiteral("0.9.0"), makeReleaseTarball(QStringLiteral("0.9.0")));
    auto engine = startEngine();
    engine->checkForUpdatesInBackground();
    ASSERT_TRUE(waitFor(QStringLiteral("dismiss")));
    clock->advance(UpdateEngine::checkIntervalSeconds - 120);
    EXPECT_TRUE(engine->canCheckForUpdates()) << "no check started yet";
    clock->advance(120);
    EXPECT_FALSE(engine->canCheckForUpdates()) << "the daily check runs";
    ASSERT_TRUE(waitUntil([this] { return server.requestCount("/appcast.xml") == 2; }, 20000));
    ASSERT_TRUE(waitUntil([engine] { return engine->canCheckForUpdates(); }, 20000));
    engine->setAutomaticallyChecksForUpdates(false);
    clock->advance(UpdateEngine::checkIntervalSeconds);
    EXPECT_TRUE(engine->canCheckForUpdates());
    EXPECT_EQ(server.requestCount("/appcast.xml"), 2);
}

} // namespace
} // namespace verandel::test
