#include "update/UpdatesUserDriver.h"
#include "support/fakes/RecordingLoggerFactory.h"
#include "update/SparkleUpdateCheckError.h"

#include <gtest/gtest.h>

namespace verandel::test {
namespace {

class UpdatesUserDriverTest : public ::testing::Test
{
protected:
    AppcastItem item(const char *version, const QString &infoURL = {}, bool informationOnly = false) const
    {
        AppcastItem result(*UpdateVersion::parse(QString::fromLatin1(version)));
        result.displayVersion = QString::fromLatin1(version);
        result.infoURL = QUrl(infoURL);
        result.isInformationOnly = informationOnly;
        return result;
    }
    // A reply that records its answers in `replies` under a name.
    UpdaterUserDriverProtocol::Reply reply(const char *name)
    {
        return [this, name](UserUpdateChoice choice) {
            replies.append(QStringLiteral("%1 %2").arg(QString::fromLatin1(name)).arg(static_cast<int>(choice)));
        };
    }
    void found(const char *version, const char *replyName) { driver->showUpdateFound(item(version), reply(replyName)); }

    RecordingLoggerFactory logs;
    UpdateCheckStatusPtr status = std::make_shared<UpdateCheckStatusObservable>();
    QList<QUrl> opened;
    std::shared_ptr<UpdatesUserDriver> driver
        = std::make_shared<UpdatesUserDriver>(status, logs, [this](const QUrl &url) { opened.append(url); });
    QStringList replies;
};

TEST_F(UpdatesUserDriverTest, AutomaticInstallationAnswersInstallAtOnce)
{
    status->startCheck();
    found("1.1", "found");
    EXPECT_EQ(replies, QStringList({QStringLiteral("found 1")}));
    ASSERT_TRUE(status->pendingUpdate());
    EXPECT_EQ(status->pendingUpdate()->version, QStringLiteral("1.1"));
    EXPECT_FALSE(status->updateAvailable());
    EXPECT_FALSE(status->isExplicitInstallActionAvailable());
    EXPECT_FALSE(status->isChecking());
    driver->showReadyToInstallAndRelaunch(reply("ready"));
    EXPECT_EQ(replies.last(), QStringLiteral("ready 1"));
    EXPECT_TRUE(logs.contains(LogLevel::Info,
                              QStringLiteral("Sparkle: Automatic installation enabled; continuing pending session")));
}

TEST_F(UpdatesUserDriverTest, HeldUpdateIsInstalledOnceOnRequest)
{
    driver->applyAutomaticInstallationPreference(false);
    found("1.1", "found");
    EXPECT_TRUE(replies.isEmpty());
    EXPECT_TRUE(status->pendingUpdate());
    ASSERT_TRUE(status->updateAvailable());
    EXPECT_EQ(status->updateAvailable()->version, QStringLiteral("1.1"));
    EXPECT_TRUE(status->isExplicitInstallActionAvailable());
    EXPECT_TRUE(driver->installPendingUpdate());
    EXPECT_EQ(replies, QStringList({QStringLiteral("found 1")}));
    EXPECT_FALSE(status->isExplicitInstallActionAvailable());
    EXPECT_FALSE(status->onUpdateChoice);
    EXPECT_FALSE(driver->installPendingUpdate());
    driver->showReadyToInstallAndRelaunch(reply("ready"));
    EXPECT_EQ(replies.last(), QStringLiteral("ready 1")) << "the user authorized this session";
}

TEST_F(UpdatesUserDriverTest, UserChoicesOnAHeldUpdate)
{
    driver->applyAutomaticInstallationPreference(false);
    found("1.1", "found");
    status->userChose(UpdateUserChoice::Dismiss);
    EXPECT_TRUE(replies.isEmpty());
    EXPECT_FALSE(status->updateAvailable());
    EXPECT_TRUE(status->pendingUpdate());
    EXPECT_TRUE(status->isExplicitInstallActionAvailable()) << "Install Update… stays offered";
    EXPECT_FALSE(status->onUpdateChoice);

    found("1.2", "second");
    status->userChose(UpdateUserChoice::Skip);
    EXPECT_EQ(replies, QStringList({QStringLiteral("second 0")})) << "the first reply is dropped unanswered";
    EXPECT_FALSE(status->isExplicitInstallActionAvailable());
    EXPECT_TRUE(status->pendingUpdate()) << "until teardown";
    status->userChose(UpdateUserChoice::Skip);
    EXPECT_EQ(replies.size(), 1);

    found("1.3", "third");
    status->userChose(UpdateUserChoice::Install);
    EXPECT_EQ(replies.last(), QStringLiteral("third 1"));
    driver->dismissUpdateInstallation();
    EXPECT_FALSE(status->pendingUpdate());
    EXPECT_FALSE(status->updateAvailable());
    EXPECT_FALSE(status->isExplicitInstallActionAvailable());
    EXPECT_FALSE(driver->installPendingUpdate());
}

TEST_F(UpdatesUserDriverTest, InstallGateFollowsTheAuthorization)
{
    driver->applyAutomaticInstallationPreference(false);
    driver->showReadyToInstallAndRelaunch(reply("unauthorized"));
    EXPECT_EQ(replies.last(), QStringLiteral("unauthorized 0"));
    EXPECT_TRUE(logs.contains(
        LogLevel::Warning,
        QStringLiteral(
            "Sparkle: Blocking install because automatic installation is disabled and install wasn't authorized")));

    found("1.1", "held");
    driver->applyAutomaticInstallationPreference(true);
    EXPECT_EQ(replies.last(), QStringLiteral("held 1")) << "turning automatic installation on releases it";
    driver->applyAutomaticInstallationPreference(false);
    driver->showReadyToInstallAndRelaunch(reply("ready"));
    EXPECT_EQ(replies.last(), QStringLiteral("ready 1"));
    driver->dismissUpdateInstallation();
    driver->applyAutomaticInstallationPreference(true);
    driver->showReadyToInstallAndRelaunch(reply("automatic"));
    EXPECT_EQ(replies.last(), QStringLiteral("automatic 1"));
}

TEST_F(UpdatesUserDriverTest, InformationOnlyUpdateOpensOnlyWebPages)
{
    struct Case
    {
        const char *link;
        bool opens;
    };
    const Case cases[] = {
        {"", false},
        {"https://example.com/release", true},
        {"http://example.com/release", true},
        {"file:///usr/bin/xterm", false},
        {"javascript:alert(1)", false},
        {"release-notes.html", false},
        {"vscode://open?x", false},
    };
    for (const Case &c : cases) {
        opened.clear();
        replies.clear();
        status->startCheck();
        driver->showUpdateFound(item("2.0", QString::fromLatin1(c.link), true), reply("info"));
        EXPECT_EQ(opened.size(), c.opens ? 1 : 0) << c.link;
        EXPECT_EQ(replies, QStringList({QStringLiteral("info 2")})) << c.link;
        EXPECT_FALSE(status->isChecking()) << c.link;
        EXPECT_FALSE(status->pendingUpdate()) << c.link;
        EXPECT_FALSE(status->updateAvailable()) << c.link;
    }
    EXPECT_TRUE(logs.containsSubstring(LogLevel::Warning, QStringLiteral("not a web address")));
}

TEST_F(UpdatesUserDriverTest, ErrorsAndNoUpdateEndTheCheck)
{
    int acknowledged = 0;
    const auto acknowledge = [&acknowledged] { ++acknowledged; };
    status->setErrorMessage(QStringLiteral("old"));
    status->startCheck();
    driver->showUpdaterError(SparkleUpdateCheckError::automaticChecksDisabled(), acknowledge);
    EXPECT_FALSE(status->isChecking());
    EXPECT_FALSE(status->errorMessage()) << "the refused background check is no error";
    EXPECT_TRUE(logs.contains(
        LogLevel::Info,
        QStringLiteral("Sparkle: Ignoring blocked background update check because automatic checks are disabled")));

    status->startCheck();
    driver->showUpdaterError(UpdaterError(UpdaterError::feedFailed, QStringLiteral("Feed down.")), acknowledge);
    EXPECT_FALSE(status->isChecking());
    EXPECT_EQ(status->errorMessage(), QStringLiteral("Feed down."));

    status->startCheck();
    driver->showUpdateNotFound(UpdaterError(UpdaterError::noUpdate, QStringLiteral("Up to date.")), acknowledge);
    EXPECT_FALSE(status->isChecking());
    EXPECT_FALSE(status->errorMessage());
    EXPECT_EQ(acknowledged, 3);
}

TEST_F(UpdatesUserDriverTest, OtherCallbacksLogAndRelaunchOnce)
{
    bool granted = false;
    driver->showUpdatePermissionRequest([&granted](bool automaticChecks) { granted = automaticChecks; });
    EXPECT_TRUE(granted);
    int retries = 0;
    driver->showInstallingUpdate(false, [&retries] { ++retries; });
    driver->showInstallingUpdate(true, [&retries] { ++retries; });
    EXPECT_EQ(retries, 1);
    bool acknowledged = false;
    driver->showUpdateInstalledAndRelaunched(true, [&acknowledged] { acknowledged = true; });
    EXPECT_TRUE(acknowledged);
    driver->showDownloadInitiated({});
    driver->showDownloadDidStartExtractingUpdate();
    driver->showUpdateReleaseNotesFailedToDownload(UpdaterError(UpdaterError::feedFailed, QStringLiteral("x")));
    EXPECT_EQ(logs.messages(LogLevel::Info, QStringLiteral("UpdatesUserDriver")),
              QStringList({QStringLiteral("Sparkle: Granting update permission (no prompt)"),
                           QStringLiteral("Sparkle: Installing update…"), QStringLiteral("Sparkle: Installing update…"),
                           QStringLiteral("Sparkle: Update installed"), QStringLiteral("Sparkle: Downloading update…"),
                           QStringLiteral("Sparkle: Extracting update…")}));
}

} // namespace
} // namespace verandel::test
