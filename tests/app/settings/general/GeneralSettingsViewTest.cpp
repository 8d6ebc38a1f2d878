#include "settings/general/GeneralSettingsView.h"
#include "kit/Metrics.h"
#include "kit/TextField.h"
#include "settings/general/AdvertisedNameInput.h"

#include "kit/BusyBar.h"
#include "kit/CapsuleButton.h"
#include "kit/TextLabel.h"
#include "kit/ToggleSwitch.h"
#include "settings/general/CheckForUpdatesButton.h"
#include "support/ManualClock.h"

#include "support/HostileNames.h"
#include "support/QtPrinters.h"
#include "support/RunTask.h"
#include "support/Shots.h"
#include "support/StoreFixture.h"
#include "support/fakes/FakeMacIdentifier.h"
#include "support/fakes/FakeMetricsQueueStore.h"

#include <QKeyEvent>
#include <QLineEdit>
#include <QTest>

#include <gtest/gtest.h>

using namespace verandel;
using namespace verandel::test;

namespace {

constexpr int tabWidth = 480;

UpdateAvailableInfo release(const QString &page)
{
    return {QStringLiteral("1.1.0"), page.isEmpty() ? std::nullopt : std::optional<QUrl>(QUrl(page))};
}

// The General tab over real preference stores in a temporary folder and fakes of the rest.
class GeneralSettingsViewTest : public StoreFixture
{
protected:
    std::shared_ptr<FakeMacIdentifier> identity = std::make_shared<FakeMacIdentifier>(QUuid::createUuid());
    std::shared_ptr<FakeMetricsQueueStore> queue = std::make_shared<FakeMetricsQueueStore>();
    UpdateCheckStatusPtr status = std::make_shared<UpdateCheckStatusObservable>();
    QList<QUrl> opened;
    int checks = 0;
    bool installAnswer = false;
    int installs = 0;
    std::unique_ptr<GeneralSettingsView> view;

    GeneralSettingsDependencies dependencies(bool withCheck = true)
    {
        GeneralSettingsDependencies made;
        made.macIdentifierService = identity;
        made.telemetryPreferencesStore = std::make_shared<TelemetryPreferencesStore>(m_storage, queue, m_logs);
        made.appUpdatePreferencesStore = std::make_shared<AppUpdatePreferencesStore>(m_storage, m_logs);
        made.updateCheckStatus = status;
        made.urlOpener = std::make_shared<const UrlOpener>(m_logs, [this](const QUrl &url) {
            opened.append(url);
            return true;
        });
        if (withCheck) {
            made.onCheckForUpdates = [this] { ++checks; };
        }
        made.onInstallPendingUpdate = [this] {
            ++installs;
            return installAnswer;
        };
        made.privacyPolicyPath = QStringLiteral("/usr/share/verandel/privacy.html");
        made.hostName = QStringLiteral("workstation");
        made.appVersion = QStringLiteral("1.0.6");
        return made;
    }

    std::shared_ptr<ManualClock> clock = std::make_shared<ManualClock>();

    GeneralSettingsView &open(GeneralSettingsDependencies made)
    {
        view = std::make_unique<GeneralSettingsView>(std::move(made), false, std::make_shared<const IconProvider>(),
                                                     clock);
        view->resize(tabWidth, 900);
        view->show();
        QCoreApplication::processEvents();
        return *view;
    }
    GeneralSettingsView &open() { return open(dependencies()); }

    void shoot(const QString &name)
    {
        settle();
        if (QWidget *focused = view->focusWidget()) {
            focused->clearFocus();
        }
        // As tall as the padded column, so that nothing scrolls.
        view->resize(tabWidth, view->column()->sizeHint().height() + 2 * Metrics::contentPadding);
        settle();
        saveShot(*view, name);
    }
};

} // namespace

// What other computers receive: the name as stored (trimmed, at most 63 bytes), else the host name, both
// cleaned as a receiver cleans them.
TEST(GeneralSettingsRulesTest, TheVisibleNameIsWhatOtherComputersReceive)
{
    struct Row
    {
        QString advertised, host, visible;
    };
    const QString long63 = QStringLiteral("Conference Room Workstation on the Third Floor, East Wing 01234");
    const Row rows[] = {
        {QStringLiteral("  Studio  "), QStringLiteral("workstation"), QStringLiteral("Studio")},
        {QString(), QStringLiteral(" workstation\n"), QStringLiteral("workstation")},
        {QStringLiteral(" \t"), QStringLiteral("workstation"), QStringLiteral("workstation")},
        {QString(), QStringLiteral("   "), QStringLiteral("This Computer")},
        {QString(), QString(), QStringLiteral("This Computer")},
        // A receiver drops bidi controls, and a host name longer than a DNS label is cut to 63 bytes.
        {QStringLiteral("\u202EStudio"), QStringLiteral("workstation"), QStringLiteral("Studio")},
        {QString(), long63 + QStringLiteral("56789"), long63},
    };
    for (const Row &row : rows) {
        EXPECT_EQ(AdvertisedNameInput::visibleName(row.advertised, row.host), row.visible);
    }
    EXPECT_EQ(GeneralSettingsView::appVersionText(QString()), QStringLiteral("—"));
    EXPECT_EQ(GeneralSettingsView::appVersionText(QStringLiteral("1.0.6")), QStringLiteral("1.0.6"));
}

// The field keeps at most what the identity service stores, counted as it counts (UTF-8 bytes, blanks
// around the name left out), and drops bidi and other control characters as they are typed or pasted.
TEST(GeneralSettingsRulesTest, TheNameFieldTakesAtMost63BytesAndNoControlCharacters)
{
    using Edit = AdvertisedNameInput::Edit;
    const QString full = QStringLiteral("Conference Room Workstation on the Third Floor, East Wing 01234");
    ASSERT_EQ(full.toUtf8().size(), 63);
    const QString hebrew = QStringLiteral("מחשב"); // 8 bytes
    const struct
    {
        const char *what;
        QString previous, edited;
        int cursor;
        Edit accepted;
    } rows[] = {
        {"typing that fits", QStringLiteral("Stu"), QStringLiteral("Stud"), 4, {QStringLiteral("Stud"), 4}},
        {"an override typed",
         QStringLiteral("Studio"),
         QStringLiteral("\u202EStudio"),
         1,
         {QStringLiteral("Studio"), 0}},
        {"isolates and marks pasted",
         QString(),
         QStringLiteral("A\u2068B\u200FC\u2069"),
         6,
         {QStringLiteral("ABC"), 3}},
        {"one more letter", full, full + u'5', 64, {full, 63}},
        {"a letter typed in the middle", full, full.left(10) + u'x' + full.mid(10), 11, {full, 10}},
        {"blanks around are not counted",
         full,
         QStringLiteral("  ") + full + QStringLiteral(" "),
         2,
         {QStringLiteral("  ") + full + QStringLiteral(" "), 2}},
        {"a paste keeps what fits", full.left(60), full.left(60) + hebrew, 64, {full.left(60) + hebrew.left(1), 61}},
        {"a selection replaced",
         full,
         full.left(5) + QStringLiteral("XY") + full.mid(6),
         7,
         {full.left(5) + QStringLiteral("X") + full.mid(6), 6}},
    };
    for (const auto &row : rows) {
        SCOPED_TRACE(row.what);
        const Edit edit = AdvertisedNameInput::accept(row.previous, row.edited, row.cursor);
        EXPECT_EQ(edit.text, row.accepted.text);
        EXPECT_EQ(edit.cursor, row.accepted.cursor);
        EXPECT_LE(edit.text.trimmed().toUtf8().size(), 63);
    }
}

TEST_F(GeneralSettingsViewTest, TypingHandsTheNameUntrimmedToTheServiceAndShowsItTrimmed)
{
    identity->name = QStringLiteral("Studio");
    open();
    // The kit's field, as tall as a regular button, its label 4 px above it and lined up with it.
    QLineEdit *field = view->nameField();
    EXPECT_NE(qobject_cast<TextField *>(field), nullptr);
    EXPECT_EQ(field->height(), CapsuleButton::shapeHeight(field->fontMetrics(), CapsuleButton::Size::Regular));
    const QRect label = view->nameFieldLabel()->geometry();
    EXPECT_EQ(field->geometry().top() - label.bottom() - 1, Metrics::fieldLabelSpacing);
    EXPECT_EQ(field->geometry().left(), label.left());
    EXPECT_EQ(view->nameField()->text(), QStringLiteral("Studio"));
    EXPECT_TRUE(identity->setNameCalls.isEmpty()) << "filling the field writes nothing";

    view->nameField()->clear();
    QTest::keyClicks(view->nameField(), QStringLiteral(" Den "));
    EXPECT_EQ(identity->setNameCalls.constLast(), QStringLiteral(" Den "));
    EXPECT_EQ(view->visibleNameLabel()->fullText(), QStringLiteral("Currently visible as: \u2068Den\u2069"));

    view->nameField()->selectAll();
    QTest::keyClick(view->nameField(), Qt::Key_Backspace);
    EXPECT_EQ(identity->setNameCalls.constLast(), std::nullopt) << "an empty field is no name";
    EXPECT_EQ(view->visibleNameLabel()->fullText(), QStringLiteral("Currently visible as: \u2068workstation\u2069"));

    // A bidi control typed is dropped at once; past 63 bytes nothing more goes in.
    for (const QChar typed : QStringLiteral("A\u202EB")) {
        // Typed as a key that carries the character (QTest types only ASCII).
        QKeyEvent key(QEvent::KeyPress, Qt::Key_unknown, Qt::NoModifier, QString(typed));
        QCoreApplication::sendEvent(view->nameField(), &key);
    }
    EXPECT_EQ(view->nameField()->text(), QStringLiteral("AB"));
    EXPECT_EQ(identity->setNameCalls.constLast(), QStringLiteral("AB"));
    const QString full = QStringLiteral("Conference Room Workstation on the Third Floor, East Wing 01234");
    view->nameField()->selectAll();
    QTest::keyClicks(view->nameField(), full + QStringLiteral("56"));
    EXPECT_EQ(view->nameField()->text(), full);
    EXPECT_EQ(identity->setNameCalls.constLast(), full);
    EXPECT_EQ(view->visibleNameLabel()->fullText(),
              QStringLiteral("Currently visible as: \u2068") + full + QChar(0x2069));
}

// Markup, both directions and an override in one name of 63 bytes: shown literally, the sentence in order.
TEST_F(GeneralSettingsViewTest, AHostileNameStaysLiteralAndInsideItsSentence)
{
    identity->name = QStringLiteral("<b>Bold</b> & <i>AT&T</i> מחשב העבודה \u202EStudio PC 01");
    ASSERT_EQ(identity->name.toUtf8().size(), 63);
    open();
    // The field never holds the override; other computers receive the name without it.
    EXPECT_FALSE(view->nameField()->text().contains(QChar(0x202E)));
    EXPECT_EQ(view->visibleNameLabel()->fullText(),
              QStringLiteral("Currently visible as: \u2068<b>Bold</b> & <i>AT&T</i> מחשב העבודה Studio PC 01\u2069"));
    EXPECT_EQ(labelsRenderingMarkup(*view), QStringList());
    shoot(QStringLiteral("settings-general-hostile-name"));
    EXPECT_EQ(hostileNameFaults(*view), QStringList());
}

TEST_F(GeneralSettingsViewTest, AFailedMetricsChangeMovesTheSwitchBackWithAMessage)
{
    open();
    ASSERT_TRUE(view->metricsSwitch()->isChecked()) << "metrics are on until turned off";
    queue->holdNextRemoveAll();

    QTest::mouseClick(view->metricsSwitch(), Qt::LeftButton);
    EXPECT_FALSE(view->metricsSwitch()->isChecked());
    EXPECT_FALSE(view->metricsSwitch()->isEnabled()) << "no second change while one is saved";
    EXPECT_EQ(view->metricsStatusLabel()->fullText(), QStringLiteral("Saving…"));
    shoot(QStringLiteral("settings-general-saving-metrics"));
    queue->releaseRemoveAll();
    ASSERT_TRUE(waitUntil([this] { return view->metricsSwitch()->isEnabled(); }));
    EXPECT_FALSE(view->metricsStatusLabel()->isVisible());
    EXPECT_FALSE(view->metricsSwitch()->isChecked());

    QTest::mouseClick(view->metricsSwitch(), Qt::LeftButton); // on again
    ASSERT_TRUE(waitUntil([this] { return view->metricsSwitch()->isEnabled(); }));
    queue->stubbedRemoveAllError = StorageError::diskFull();
    QTest::mouseClick(view->metricsSwitch(), Qt::LeftButton);
    ASSERT_TRUE(waitUntil([this] { return view->metricsSwitch()->isEnabled(); }));
    EXPECT_TRUE(view->metricsSwitch()->isChecked());
    EXPECT_EQ(view->metricsStatusLabel()->fullText(),
              QStringLiteral("Couldn’t update metrics collection. Please try again."));
    EXPECT_EQ(view->metricsStatusLabel()->color(), ThemeColor::Red);
}

TEST_F(GeneralSettingsViewTest, TheUpdateSwitchesRollBackAndThePrivacyLinkOpensTheShippedPage)
{
    open();
    m_files->failWith(FaultyFileManager::Operation::WriteNewFile, ENOSPC);
    QTest::mouseClick(view->automaticChecksSwitch(), Qt::LeftButton);
    EXPECT_FALSE(view->automaticChecksSwitch()->isEnabled());
    ASSERT_TRUE(waitUntil([this] { return view->automaticChecksSwitch()->isEnabled(); }));
    EXPECT_TRUE(view->automaticChecksSwitch()->isChecked());
    EXPECT_EQ(view->updateErrorLabel()->fullText(),
              QStringLiteral("Couldn’t update automatic update checks. Please try again."));

    QTest::mouseClick(view->privacyPolicyButton(), Qt::LeftButton);
    EXPECT_EQ(opened, QList<QUrl>{QUrl::fromLocalFile(QStringLiteral("/usr/share/verandel/privacy.html"))});
    EXPECT_EQ(view->versionLabel()->fullText(), QStringLiteral("1.0.6"));
}

TEST_F(GeneralSettingsViewTest, WithoutACheckActionThereIsNoCheckBlockButTheSwitchesAndVersionStay)
{
    GeneralSettingsDependencies made = dependencies(false);
    made.appVersion.clear();
    open(std::move(made));
    EXPECT_EQ(view->checkForUpdatesBlock(), nullptr);
    EXPECT_TRUE(view->automaticChecksSwitch()->isVisible());
    EXPECT_TRUE(view->automaticInstallationSwitch()->isVisible());
    EXPECT_EQ(view->versionLabel()->fullText(), QStringLiteral("—"));
}

TEST_F(GeneralSettingsViewTest, TheCheckBlockShowsTheFirstStateThatHolds)
{
    using State = CheckForUpdatesButton::State;
    struct Row
    {
        const char *name;
        bool checking, offered, held, explicitInstall, failed;
        State state;
    };
    const Row rows[] = {
        {"checking wins over an error", true, true, true, true, true, State::Checking},
        {"an offer with an explicit install", false, true, true, true, true, State::UpdateAvailable},
        {"an offer without one shows the held update", false, true, true, false, true, State::UpdateStillAvailable},
        {"a held update", false, false, true, false, false, State::UpdateStillAvailable},
        {"a failure", false, false, false, true, true, State::Failed},
        {"idle", false, false, false, true, false, State::Idle},
    };
    for (const Row &row : rows) {
        SCOPED_TRACE(row.name);
        UpdateCheckStatusObservable shown;
        shown.setIsChecking(row.checking);
        shown.setUpdateAvailable(row.offered ? std::optional(release(QString())) : std::nullopt);
        shown.setPendingUpdate(row.held ? std::optional(release(QString())) : std::nullopt);
        shown.setExplicitInstallActionAvailable(row.explicitInstall);
        shown.setErrorMessage(row.failed ? std::optional(QStringLiteral("Feed unreachable.")) : std::nullopt);
        EXPECT_EQ(CheckForUpdatesButton::stateFor(shown), row.state);
    }
}

TEST_F(GeneralSettingsViewTest, TheCheckBlocksButtonsAnswerTheUpdateAndTryAgain)
{
    open();
    CheckForUpdatesButton *block = view->checkForUpdatesBlock();
    ASSERT_NE(block, nullptr);
    QTest::mouseClick(block->checkButton(), Qt::LeftButton);
    EXPECT_EQ(checks, 1);

    status->setErrorMessage(QStringLiteral("Could not check for updates. Please try again."));
    ASSERT_TRUE(block->tryAgainButton()->isVisible());
    bool errorClearedFirst = false;
    view.get()->connect(status.get(), &UpdateCheckStatusObservable::errorMessageChanged, view.get(),
                        [&] { errorClearedFirst = !status->errorMessage() && checks == 1; });
    QTest::mouseClick(block->tryAgainButton(), Qt::LeftButton);
    EXPECT_TRUE(errorClearedFirst);
    EXPECT_EQ(checks, 2);

    status->startCheck();
    auto *busy = block->findChild<BusyBar *>();
    ASSERT_TRUE(busy->isVisible());
    const double phase = busy->phase();
    clock->advance(0.3);
    EXPECT_NE(busy->phase(), phase) << "the busy line moves on the clock";
    shoot(QStringLiteral("settings-general-checking"));
    status->finishCheck();

    // Nothing held: "Restart to Update" answers the offer with install.
    QList<UpdateUserChoice> choices;
    status->onUpdateChoice = [&](UpdateUserChoice choice) { choices.append(choice); };
    status->setPendingUpdate(release(QStringLiteral("https://verandel.com/releases/1.1.0")));
    status->setUpdateAvailable(release(QStringLiteral("https://verandel.com/releases/1.1.0")));
    status->setExplicitInstallActionAvailable(true);
    EXPECT_EQ(block->messageLabel()->fullText(), QStringLiteral("Update \u20681.1.0\u2069 available"));
    shoot(QStringLiteral("settings-general-update-offered"));
    QTest::mouseClick(block->releaseNotesButton(), Qt::LeftButton);
    EXPECT_EQ(opened.constLast(), QUrl(QStringLiteral("https://verandel.com/releases/1.1.0")));
    QTest::mouseClick(block->installButton(), Qt::LeftButton);
    EXPECT_EQ(installs, 1);
    EXPECT_EQ(choices, QList<UpdateUserChoice>{UpdateUserChoice::Install});
    EXPECT_FALSE(status->updateAvailable());
    EXPECT_EQ(block->state(), CheckForUpdatesButton::State::UpdateStillAvailable);

    // A held update without an explicit install shows no button.
    status->setExplicitInstallActionAvailable(false);
    EXPECT_EQ(block->messageLabel()->fullText(), QStringLiteral("Update \u20681.1.0\u2069 is still available"));
    EXPECT_FALSE(block->installButton()->isVisible());
}

// A release page comes from the update feed: only http and https open.
TEST_F(GeneralSettingsViewTest, AReleasePageThatIsNotAWebAddressIsNotOpened)
{
    open();
    for (const QString &page : {QStringLiteral("file:///home/user/.bashrc"), QStringLiteral("smb://host/share"),
                                QStringLiteral("/usr/bin/xterm")}) {
        SCOPED_TRACE(page.toStdString());
        status->setPendingUpdate(release(page));
        ASSERT_TRUE(view->checkForUpdatesBlock()->releaseNotesButton()->isVisible());
        QTest::mouseClick(view->checkForUpdatesBlock()->releaseNotesButton(), Qt::LeftButton);
    }
    EXPECT_TRUE(opened.isEmpty());
    EXPECT_TRUE(m_logs.containsSubstring(LogLevel::Warning, QStringLiteral("Refusing to open")));
}
