#include "settings/SettingsView.h"
#include "kit/SectionHeading.h"
#include "settings/SettingsTabPage.h"

#include "kit/TextLabel.h"
#include "kit/ToggleSwitch.h"
#include "models/DevicesViewModel.h"
#include "settings/SettingsSidebarRow.h"
#include "settings/devices/DevicesView.h"
#include "settings/general/GeneralSettingsView.h"
#include "settings/linked/ConnectedMacsView.h"

#include "desktop/LaunchAtLoginService.h"

#include "app/models/ConnectedMacsViewModelFixture.h"
#include "support/FaultyFileManager.h"
#include "support/ManualClock.h"
#include "support/PreviewBluetoothDeviceManager.h"
#include "support/PreviewDeviceStorageService.h"
#include "support/PreviewFixtures.h"
#include "support/PreviewMetricsPublisher.h"
#include "support/QtPrinters.h"
#include "support/Shots.h"
#include "support/fakes/FakeMacIdentifier.h"
#include "support/fakes/FakeMetricsQueueStore.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

using namespace verandel;
using namespace verandel::test;

namespace {

// The whole window over the real view models and fakes, with launch at login written into a
// temporary autostart folder.
class SettingsViewTest : public ViewModelFixture
{
protected:
    QTemporaryDir dir;
    std::shared_ptr<ManualClock> clock = std::make_shared<ManualClock>();
    std::unique_ptr<DevicesViewModel> devices;
    std::shared_ptr<LaunchAtLoginService> launchAtLogin;
    std::unique_ptr<SettingsView> window;

    QString path(const QString &name) const { return dir.filePath(name); }
    QString systemEntry() const { return path(QStringLiteral("xdg/autostart/com.verandel.Verandel.desktop")); }

    SettingsView &open(SettingsTab tab)
    {
        make();
        permissions->simulateBluetoothStatus(SystemPermissionStatus::Authorized);
        const StorageManagerPtr storage = StorageManager::create(std::make_shared<FaultyFileManager>(), clock,
                                                                 path(QStringLiteral("store")), *logs);
        devices = std::make_unique<DevicesViewModel>(
            std::make_shared<PreviewDeviceStorageService>(QList<Device>{PreviewFixtures::devices().constFirst()}),
            std::make_shared<PreviewBluetoothDeviceManager>(PreviewFixtures::devices()), permissions,
            std::make_shared<PreviewMetricsPublisher>(), QStringLiteral("0a1b2c3d-4e5f-4a6b-8c7d-9e0f1a2b3c4d"),
            std::make_shared<DeviceClassifier>(), clock, *logs);
        launchAtLogin = std::make_shared<LaunchAtLoginService>(
            AutostartLocations{path(QStringLiteral("config")), {path(QStringLiteral("xdg"))}},
            QStringLiteral("/usr/bin/verandel"),
            std::make_shared<QSettings>(path(QStringLiteral("settings.conf")), QSettings::IniFormat), *logs);

        GeneralSettingsDependencies general;
        general.macIdentifierService
            = std::make_shared<FakeMacIdentifier>(QUuid::createUuid(), QStringLiteral("Studio"));
        general.telemetryPreferencesStore
            = std::make_shared<TelemetryPreferencesStore>(storage, std::make_shared<FakeMetricsQueueStore>(), *logs);
        general.appUpdatePreferencesStore = std::make_shared<AppUpdatePreferencesStore>(storage, *logs);
        general.updateCheckStatus = std::make_shared<UpdateCheckStatusObservable>();
        general.urlOpener = std::make_shared<const UrlOpener>(*logs, [](const QUrl &) { return true; });
        general.onCheckForUpdates = [] {};
        general.onInstallPendingUpdate = [] { return false; };
        general.privacyPolicyPath = path(QStringLiteral("privacy.html"));
        general.hostName = QStringLiteral("workstation");
        general.appVersion = QStringLiteral("1.0.6");

        window = std::make_unique<SettingsView>(tab, model.get(), devices.get(), std::move(general), launchAtLogin,
                                                std::make_shared<const IconProvider>(), clock, *logs);
        window->show();
        settle();
        return *window;
    }

    int discoveryStops() const { return int(discovery->calls.count(QStringLiteral("stopDiscovery"))); }
    ToggleSwitch *launchSwitch() const
    {
        return static_cast<GeneralSettingsView *>(window->currentTabView())->launchOnLoginSwitch();
    }
    // The user's autostart folder cannot be made: every write there fails.
    void blockUserAutostart() const
    {
        QDir().mkpath(path(QStringLiteral("config")));
        QFile blocker(path(QStringLiteral("config/autostart")));
        ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    }
    void writeSystemEntry() const
    {
        QDir().mkpath(path(QStringLiteral("xdg/autostart")));
        QFile entry(systemEntry());
        ASSERT_TRUE(entry.open(QIODevice::WriteOnly));
        entry.write("[Desktop Entry]\nType=Application\nExec=/usr/bin/verandel --autostart\n");
    }
};

} // namespace

TEST(SettingsTabTest, ATabIsMadeOnlyFromItsExactTitle)
{
    const std::pair<QString, std::optional<SettingsTab>> rows[] = {
        {QStringLiteral("General"), SettingsTab::General},
        {QStringLiteral("Linked Computers"), SettingsTab::ConnectedMacs},
        {QStringLiteral("Devices"), SettingsTab::Devices},
        {QStringLiteral("general"), std::nullopt},
        {QStringLiteral("DEVICES"), std::nullopt},
        {QStringLiteral("Linked Macs"), std::nullopt},
        {QString(), std::nullopt},
    };
    for (const auto &[text, tab] : rows) {
        EXPECT_EQ(settingsTabFromString(text), tab) << text.toStdString();
    }
}

TEST_F(SettingsViewTest, OpensAtEachTabWithItsSidebarRowSelected)
{
    const std::pair<SettingsTab, const char *> tabs[] = {{SettingsTab::General, "GeneralSettingsView"},
                                                         {SettingsTab::ConnectedMacs, "ConnectedMacsView"},
                                                         {SettingsTab::Devices, "DevicesView"}};
    std::optional<QRect> firstTitle;
    for (const auto &[tab, className] : tabs) {
        SCOPED_TRACE(className);
        open(tab);
        EXPECT_EQ(window->currentTabView()->metaObject()->className(), QByteArray("verandel::") + className);
        // The three tabs agree: the title at the same place, a one-line description under it, the kit's
        // section headings, and sections of the kit's cards.
        auto *page = qobject_cast<SettingsTabPage *>(window->currentTabView());
        ASSERT_NE(page, nullptr);
        const QRect title(page->titleLabel()->mapTo(window.get(), QPoint()), QSize(1, page->titleLabel()->height()));
        EXPECT_EQ(title, firstTitle.value_or(title));
        firstTitle = title;
        EXPECT_FALSE(page->descriptionLabel()->fullText().isEmpty());
        EXPECT_GT(page->descriptionLabel()->y(),
                  page->titleLabel()->mapTo(page->descriptionLabel()->parentWidget(), QPoint()).y());
        EXPECT_FALSE(page->findChildren<SectionHeading *>().isEmpty());
        for (const TextLabel *label : page->findChildren<TextLabel *>()) {
            const QString text = label->fullText();
            const bool hasLetters = std::any_of(text.cbegin(), text.cend(), [](QChar c) { return c.isLetter(); });
            EXPECT_FALSE(hasLetters && text == text.toUpper()) << "a heading in capitals: " << text.toStdString();
        }
        for (const SettingsTab other : allSettingsTabs) {
            EXPECT_EQ(window->sidebarRow(other)->isChecked(), other == tab);
        }
        EXPECT_EQ(window->minimumSize(), QSize(SettingsView::minimumWidth, SettingsView::minimumHeight));
        EXPECT_EQ(window->sidebar()->width(), SettingsView::sidebarWidth);
        window->resize(SettingsView::minimumWidth, 640);
        if (QWidget *focused = window->focusWidget()) {
            focused->clearFocus();
        }
        settle();
        saveShot(*window,
                 QStringLiteral("settings-window-")
                     + toString(tab).toLower().replace(QLatin1Char(' '), QLatin1Char('-')));
    }
}

TEST_F(SettingsViewTest, LeavingLinkedComputersStopsDiscoveryModeOnceAndTheGeneralTabIsMadeAnew)
{
    open(SettingsTab::ConnectedMacs);
    ASSERT_EQ(discoveryStops(), 0);

    discovery->setState(DiscoveryServiceState::Active);
    QTest::mouseClick(window->sidebarRow(SettingsTab::Devices), Qt::LeftButton);
    settle();
    EXPECT_EQ(window->selectedTab(), SettingsTab::Devices);
    EXPECT_EQ(discoveryStops(), 1);

    QTest::mouseClick(window->sidebarRow(SettingsTab::General), Qt::LeftButton);
    QWidget *first = window->currentTabView();
    QTest::mouseClick(window->sidebarRow(SettingsTab::Devices), Qt::LeftButton);
    QTest::mouseClick(window->sidebarRow(SettingsTab::General), Qt::LeftButton);
    settle();
    EXPECT_NE(window->currentTabView(), first);
    EXPECT_EQ(discoveryStops(), 1);

    // Closing the window on Linked Computers ends Discovery Mode too.
    QTest::mouseClick(window->sidebarRow(SettingsTab::ConnectedMacs), Qt::LeftButton);
    discovery->setState(DiscoveryServiceState::Starting);
    window->close();
    settle();
    EXPECT_EQ(discoveryStops(), 2);

    // Discovery Mode already off (a link ends it by itself): leaving asks the service nothing, which
    // would only refuse with a warning.
    open(SettingsTab::ConnectedMacs);
    QTest::mouseClick(window->sidebarRow(SettingsTab::General), Qt::LeftButton);
    settle();
    EXPECT_EQ(discoveryStops(), 2);
}

TEST_F(SettingsViewTest, TheLaunchSwitchShowsTheSystemsEntryEachTimeTheWindowIsShown)
{
    writeSystemEntry();
    open(SettingsTab::General);
    EXPECT_TRUE(launchSwitch()->isChecked());

    QTest::mouseClick(launchSwitch(), Qt::LeftButton);
    EXPECT_FALSE(launchSwitch()->isChecked());
    EXPECT_FALSE(launchAtLogin->isEnabled()) << "a hidden user entry switches the system one off";
    QTest::mouseClick(launchSwitch(), Qt::LeftButton);
    EXPECT_TRUE(launchAtLogin->isEnabled());
}

// A change the desktop refused leaves the switch showing what is really registered.
TEST_F(SettingsViewTest, AFailedLaunchAtLoginChangeShowsWhatIsStillRegisteredAndWarns)
{
    struct Row
    {
        const char *name;
        bool systemEntry;
        bool shownAfterClick;
    };
    const Row rows[] = {
        {"registering fails: nothing is registered", false, false},
        {"unregistering fails: the system's entry still starts the program", true, true},
    };
    for (const Row &row : rows) {
        SCOPED_TRACE(row.name);
        ASSERT_TRUE(QDir(dir.path()).removeRecursively());
        if (row.systemEntry) {
            writeSystemEntry();
        }
        blockUserAutostart();
        open(SettingsTab::General);
        logs->clear();

        QTest::mouseClick(launchSwitch(), Qt::LeftButton);

        EXPECT_EQ(launchSwitch()->isChecked(), row.shownAfterClick);
        EXPECT_EQ(window->launchOnLogin(), row.shownAfterClick);
        EXPECT_EQ(launchAtLogin->isEnabled(), row.shownAfterClick);
        EXPECT_TRUE(logs->containsSubstring(LogLevel::Warning, QStringLiteral("Failed to change launch at login")));
    }
}
