#include "updater/UpdateWindow.h"

#include "kit/BusyBar.h"
#include "support/HostileNames.h"
#include "support/Shots.h"

#include <QAbstractButton>
#include <QTest>

#include <gtest/gtest.h>

namespace verandel::test {
namespace {

using State = UpdateStatusPresentation::State;

UpdateAvailableInfo info(const QString &version, const QString &page = {})
{
    return UpdateAvailableInfo{version, page.isEmpty() ? std::nullopt : std::optional<QUrl>(QUrl(page))};
}

TEST(UpdateStatusPresentationTest, EachSituationHasItsTextAndButtons)
{
    struct Case
    {
        const char *name;
        UpdateStatusSnapshot snapshot;
        State state;
        bool install, later, skip, check, checkEnabled;
    };
    UpdateStatusSnapshot offered{true, true, false, {}, info(QStringLiteral("1.2")), info(QStringLiteral("1.2")), true};
    UpdateStatusSnapshot held = offered;
    held.updateAvailable.reset();
    UpdateStatusSnapshot installing = held;
    installing.isExplicitInstallActionAvailable = false;
    const Case cases[] = {
        {"no updater", {false, false, false, {}, {}, {}, false}, State::unavailable, false, false, false, false, false},
        {"idle", {true, true, false, {}, {}, {}, false}, State::idle, false, false, false, true, true},
        {"checking", {true, false, true, {}, {}, {}, false}, State::checking, false, false, false, true, false},
        {"failed",
         {true, true, false, QStringLiteral("Feed down."), {}, {}, false},
         State::failed,
         false,
         false,
         false,
         true,
         true},
        {"offered", offered, State::offered, true, true, true, false, false},
        {"held after dismiss", held, State::readyToInstall, true, false, false, false, false},
        {"installing", installing, State::installing, false, false, false, false, false},
    };
    for (const Case &c : cases) {
        const UpdateStatusPresentation p = UpdateStatusPresentation::make(c.snapshot);
        EXPECT_EQ(p.state, c.state) << c.name;
        EXPECT_EQ(p.showsInstall, c.install) << c.name;
        EXPECT_EQ(p.showsLater, c.later) << c.name;
        EXPECT_EQ(p.showsSkip, c.skip) << c.name;
        EXPECT_EQ(p.showsCheck, c.check) << c.name;
        EXPECT_EQ(p.checkEnabled, c.checkEnabled) << c.name;
        EXPECT_FALSE(p.title.isEmpty()) << c.name;
    }
    UpdateStatusSnapshot noUpdater;
    noUpdater.updatesAvailable = false;
    EXPECT_EQ(UpdateStatusPresentation::make(noUpdater).title,
              QStringLiteral("Updates are not available for this installation"));
}

TEST(UpdateStatusPresentationTest, FeedTextsStayPlainAndPagesStayWeb)
{
    UpdateStatusSnapshot snapshot;
    snapshot.updateAvailable = info(QString::fromUtf16(u"1.2\u202E<b>\u0007"), QStringLiteral("file:///etc/passwd"));
    const UpdateStatusPresentation offered = UpdateStatusPresentation::make(snapshot);
    EXPECT_EQ(offered.title, QString::fromUtf16(u"Verandel \u20681.2<b>\u2069 is available"));
    EXPECT_FALSE(offered.releasePage);
    snapshot.updateAvailable->infoURL = QUrl(QStringLiteral("https://example.com/1.2"));
    EXPECT_EQ(UpdateStatusPresentation::make(snapshot).releasePage, QUrl(QStringLiteral("https://example.com/1.2")));
}

class UpdateWindowTest : public ::testing::Test
{
protected:
    void settle() { QCoreApplication::processEvents(); }

    UpdateCheckStatusPtr status = std::make_shared<UpdateCheckStatusObservable>();
    int checks = 0;
    int installs = 0;
    QList<QUrl> pages;
    UpdateWindow window{status,
                        {[this] { ++checks; }, [this] { ++installs; }, [this](const QUrl &url) { pages.append(url); }}};

    QAbstractButton *button(const QString &text)
    {
        for (QAbstractButton *candidate : window.findChildren<QAbstractButton *>()) {
            if (candidate->text() == text) {
                return candidate;
            }
        }
        ADD_FAILURE() << text.toStdString();
        return nullptr;
    }
};

TEST_F(UpdateWindowTest, OfferChoicesReachTheStatusAndTheCallbacks)
{
    window.setCanCheckForUpdates(true);
    window.show();
    saveShot(window, QStringLiteral("updater-idle"));
    QList<UpdateUserChoice> choices;
    status->onUpdateChoice = [&choices](UpdateUserChoice choice) { choices.append(choice); };
    status->setPendingUpdate(info(QStringLiteral("1.2.0"), QStringLiteral("https://example.com/notes")));
    status->setExplicitInstallActionAvailable(true);
    status->setUpdateAvailable(info(QStringLiteral("1.2.0"), QStringLiteral("https://example.com/notes")));
    settle();
    EXPECT_EQ(window.presentation().state, State::offered);
    saveShot(window, QStringLiteral("updater-offered"));
    QTest::mouseClick(button(QStringLiteral("Release Notes")), Qt::LeftButton);
    EXPECT_EQ(pages, QList<QUrl>({QUrl(QStringLiteral("https://example.com/notes"))}));
    QTest::mouseClick(button(QStringLiteral("Later")), Qt::LeftButton);
    settle();
    EXPECT_EQ(choices, QList<UpdateUserChoice>({UpdateUserChoice::Dismiss}));
    EXPECT_EQ(window.presentation().state, State::readyToInstall);
    saveShot(window, QStringLiteral("updater-ready"));
    QTest::mouseClick(button(QStringLiteral("Install Update")), Qt::LeftButton);
    EXPECT_EQ(installs, 1) << "a dismissed offer is installed through the holder";
    EXPECT_EQ(choices.size(), 1);
    status->setUpdateAvailable(info(QStringLiteral("1.2.0")));
    settle();
    QTest::mouseClick(button(QStringLiteral("Skip This Version")), Qt::LeftButton);
    EXPECT_EQ(choices.last(), UpdateUserChoice::Skip);
}

TEST_F(UpdateWindowTest, ShowsCheckingFailureAndMissingUpdater)
{
    window.show();
    window.setCanCheckForUpdates(true);
    QTest::mouseClick(button(QStringLiteral("Check for Updates…")), Qt::LeftButton);
    EXPECT_EQ(checks, 1);
    status->startCheck();
    settle();
    EXPECT_FALSE(button(QStringLiteral("Check for Updates…"))->isEnabled());
    EXPECT_TRUE(window.findChild<BusyBar *>()->isVisible());
    saveShot(window, QStringLiteral("updater-checking"));
    status->setErrorMessage(QStringLiteral("Could not read the update feed: The server did not answer in time."));
    status->finishCheck();
    settle();
    EXPECT_EQ(window.presentation().state, State::failed);
    EXPECT_FALSE(window.findChild<BusyBar *>()->isVisible());
    saveShot(window, QStringLiteral("updater-failed"));
    window.setUpdatesAvailable(false);
    EXPECT_FALSE(button(QStringLiteral("Check for Updates…"))->isVisible());
    saveShot(window, QStringLiteral("updater-unavailable"));
}

// The feed's version in the sentence: literal markup, right-to-left text and an override kept in place.
TEST_F(UpdateWindowTest, AHostileVersionFromTheFeedStaysInsideItsSentence)
{
    window.show();
    status->setUpdateAvailable(info(QStringLiteral("<b>Bold</b> & <i>AT&T</i> حاسوب المكتب \u202E1.2.0")));
    settle();
    EXPECT_TRUE(window.presentation().title.startsWith(QStringLiteral("Verandel \u2068<b>Bold</b> & <i>AT&T</i>")));
    EXPECT_TRUE(window.presentation().title.endsWith(QStringLiteral("\u2069 is available")));
    EXPECT_EQ(labelsRenderingMarkup(window), QStringList());
    saveShot(window, QStringLiteral("updater-hostile-text"));
}

} // namespace
} // namespace verandel::test
