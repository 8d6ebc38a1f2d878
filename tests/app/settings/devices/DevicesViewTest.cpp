#include "settings/devices/DevicesView.h"

#include "common/DeviceRowCompact.h"
#include "common/PermissionGuidanceView.h"
#include "kit/Banner.h"
#include "kit/BusyBar.h"
#include "kit/CapsuleBadge.h"
#include "kit/CapsuleButton.h"
#include "kit/Card.h"
#include "kit/EmptyStateCard.h"
#include "kit/KeyedRowList.h"
#include "kit/Metrics.h"
#include "kit/SectionHeading.h"
#include "kit/TextLabel.h"
#include "kit/UntrustedText.h"
#include "models/DevicesViewModel.h"
#include "settings/devices/DevicesScreenSummary.h"

#include "foundation/StorageError.h"

#include "support/HostileNames.h"
#include "support/ManualClock.h"
#include "support/PreviewBluetoothDeviceManager.h"
#include "support/PreviewDeviceStorageService.h"
#include "support/PreviewFixtures.h"
#include "support/PreviewMetricsPublisher.h"
#include "support/QtPrinters.h"
#include "support/RunTask.h"
#include "support/Shots.h"
#include "support/fakes/FakeBluetoothDeviceManager.h"
#include "support/fakes/FakeDeviceStorageService.h"
#include "support/fakes/MockSystemPermissionChecker.h"
#include "support/fakes/RecordingLoggerFactory.h"
#include "support/fakes/RecordingMetricsPublisher.h"

#include <QTest>
#include <QToolButton>
#include <QVBoxLayout>

#include <gtest/gtest.h>

using namespace verandel;
using namespace verandel::test;

namespace {

constexpr int settingsWidth = 680;
constexpr int settingsHeight = 500;

const Device keyboard = PreviewFixtures::device(1, QStringLiteral("Magic Keyboard"));
const Device trackpad = PreviewFixtures::device(2, QStringLiteral("Magic Trackpad"));
const Device mouse = PreviewFixtures::device(3, QStringLiteral("Magic Mouse"));
const Device mxKeys = PreviewFixtures::device(4, QStringLiteral("MX Keys"));

DeviceState stateOf(const Device &device, SharingStatus sharing, ConnectionStatus status, bool supported)
{
    return DeviceState(device, status, sharing, supported, supported ? DeviceType::MagicKeyboard : DeviceType::Other);
}

QStringList namesOf(const QList<DeviceRowCompact *> &rows)
{
    QStringList names;
    for (DeviceRowCompact *row : rows) {
        names.append(row->accessibleName());
    }
    return names;
}

DeviceRowCompact *rowNamed(const QList<DeviceRowCompact *> &rows, const QString &name)
{
    for (DeviceRowCompact *row : rows) {
        if (row->accessibleName() == name) {
            return row;
        }
    }
    return nullptr;
}

// The tab in a window of the Settings window's size, over the real view model.
class DevicesViewTest : public ::testing::Test
{
protected:
    RecordingLoggerFactory logs;
    std::shared_ptr<FakeDeviceStorageService> store = std::make_shared<FakeDeviceStorageService>();
    std::shared_ptr<FakeBluetoothDeviceManager> bluetooth = std::make_shared<FakeBluetoothDeviceManager>();
    std::shared_ptr<MockSystemPermissionChecker> permissions
        = std::make_shared<MockSystemPermissionChecker>(SystemPermissionStatus::Authorized);
    std::shared_ptr<ManualClock> clock = std::make_shared<ManualClock>();
    std::unique_ptr<DevicesViewModel> model;
    std::unique_ptr<QWidget> window;
    DevicesView *view = nullptr;

    DevicesView &open(DeviceStorageServicePtr storage, BluetoothDeviceManagerPtr manager)
    {
        model = std::make_unique<DevicesViewModel>(
            storage, manager, permissions, std::make_shared<RecordingMetricsPublisher>(),
            QStringLiteral("0a1b2c3d-4e5f-4a6b-8c7d-9e0f1a2b3c4d"), std::make_shared<DeviceClassifier>(), clock, logs);
        window = std::make_unique<QWidget>();
        auto *layout = new QVBoxLayout(window.get());
        layout->setContentsMargins({});
        view = new DevicesView(model.get(), std::make_shared<const IconProvider>(), clock, true, window.get());
        layout->addWidget(view);
        window->resize(settingsWidth, settingsHeight);
        window->show();
        QCoreApplication::processEvents();
        return *view;
    }
    DevicesView &open() { return open(store, bluetooth); }

    void click(QAbstractButton *button)
    {
        ASSERT_TRUE(button->isVisible() && button->isEnabled()) << button->text().toStdString();
        QTest::mouseClick(button, Qt::LeftButton);
        QCoreApplication::processEvents();
    }

    // A picture of the whole column, as tall as it is (no scrolling).
    void shoot(const QString &name)
    {
        settle();
        window->resize(settingsWidth, view->column()->sizeHint().height() + 2 * Metrics::contentPadding);
        if (QWidget *focused = window->focusWidget()) {
            focused->clearFocus();
        }
        settle();
        saveShot(*window, name);
    }
};

} // namespace

TEST(DevicesScreenTest, TheSummaryTakesTheFirstRuleThatHolds)
{
    struct Row
    {
        qsizetype shared, ready, experimental;
        bool refreshing;
        QString title, icon;
        ThemeColor tint;
    };
    const QString allowed = QStringLiteral("checkmark.circle.fill");
    const QString experimental = QStringLiteral("exclamationmark.triangle.fill");
    const Row rows[] = {
        {2, 3, 1, true, QStringLiteral("Refreshing devices"), QStringLiteral("arrow.clockwise"), ThemeColor::Accent},
        {1, 3, 1, false, QStringLiteral("1 device allowed for transfer"), allowed, ThemeColor::Green},
        {2, 0, 0, false, QStringLiteral("2 devices allowed for transfer"), allowed, ThemeColor::Green},
        {0, 1, 1, false, QStringLiteral("1 ready for transfer"), QStringLiteral("sparkles"), ThemeColor::Accent},
        {0, 3, 1, false, QStringLiteral("3 ready for transfer"), QStringLiteral("sparkles"), ThemeColor::Accent},
        {0, 0, 1, false, QStringLiteral("1 experimental device"), experimental, ThemeColor::Orange},
        {0, 0, 4, false, QStringLiteral("4 experimental devices"), experimental, ThemeColor::Orange},
        {0, 0, 0, false, QStringLiteral("No paired devices"), QStringLiteral("bluetooth.slash"),
         ThemeColor::SecondaryText},
    };
    for (const Row &row : rows) {
        EXPECT_EQ(DevicesScreenSummary::make(row.shared, row.ready, row.experimental, row.refreshing),
                  (DevicesScreenSummary{row.title, row.icon, row.tint}))
            << row.title.toStdString();
    }
    EXPECT_EQ(DevicesScreenSummary::sharedCountText(0), QStringLiteral("Nothing allowed for transfer yet"));
    EXPECT_EQ(DevicesScreenSummary::sharedCountText(1), QStringLiteral("1 device allowed for transfer"));
    EXPECT_EQ(DevicesScreenSummary::sharedCountText(5), QStringLiteral("5 devices allowed for transfer"));
    EXPECT_EQ(DevicesScreenSummary::availableCountText(0), std::nullopt);
    EXPECT_EQ(DevicesScreenSummary::availableCountText(1), QStringLiteral("1 available device"));
    EXPECT_EQ(DevicesScreenSummary::availableCountText(3), QStringLiteral("3 available devices"));
}

TEST(DevicesScreenTest, AvailableDevicesAreTheLocalOnesSupportedAndConnectedFirstThenByName)
{
    const QList<DeviceState> other = {
        stateOf(mxKeys, SharingStatus::Local, ConnectionStatus::Connected, false),
        stateOf(trackpad, SharingStatus::Local, ConnectionStatus::PairedNotConnected, true),
        stateOf(keyboard, SharingStatus::Shared, ConnectionStatus::Connected, true),
        stateOf(mouse, SharingStatus::Local, ConnectionStatus::NotPaired, true),
        stateOf(PreviewFixtures::device(5, QStringLiteral("Apple Keyboard")), SharingStatus::Local,
                ConnectionStatus::Connected, true),
    };
    QStringList names;
    for (const DeviceState &state : DevicesView::availableDevices(other)) {
        names.append(state.name());
    }
    EXPECT_EQ(names,
              (QStringList{QStringLiteral("Apple Keyboard"), QStringLiteral("Magic Mouse"),
                           QStringLiteral("Magic Trackpad"), QStringLiteral("MX Keys")}));

    using State = DevicesView::AvailableState;
    EXPECT_EQ(DevicesView::availableStateFor(true, 0, 0), State::Loading);
    EXPECT_EQ(DevicesView::availableStateFor(true, 2, 0), State::Empty) << "only while nothing is known";
    EXPECT_EQ(DevicesView::availableStateFor(false, 0, 0), State::Empty);
    EXPECT_EQ(DevicesView::availableStateFor(true, 3, 1), State::List);
}

TEST_F(DevicesViewTest, ShowsTheAllowedListAndTheRecommendedAndExperimentalGroups)
{
    store->devices = {keyboard, trackpad};
    bluetooth->devices = {keyboard, mouse, mxKeys};
    bluetooth->statuses = {{keyboard.macAddress(), ConnectionStatus::Connected},
                           {mouse.macAddress(), ConnectionStatus::PairedNotConnected}};
    open();

    EXPECT_EQ(view->summaryBadge()->text(), QStringLiteral("2 devices allowed for transfer"));
    EXPECT_EQ(namesOf(view->sharedRows()),
              (QStringList{QStringLiteral("Magic Keyboard"), QStringLiteral("Magic Trackpad")}));
    EXPECT_EQ(namesOf(view->recommendedRows()), QStringList{QStringLiteral("Magic Mouse")})
        << "an allowed device that is paired is not offered again";
    EXPECT_EQ(namesOf(view->experimentalRows()), QStringList{QStringLiteral("MX Keys")});
    EXPECT_EQ(view->sharedHeading()->countLabel()->fullText(), QStringLiteral("2 devices allowed for transfer"));
    EXPECT_EQ(view->availableHeading()->countLabel()->fullText(), QStringLiteral("2 available devices"));
    EXPECT_EQ(view->sharedRows().constFirst()->objectName(), QStringLiteral("shared-") + keyboard.macAddress());
    EXPECT_FALSE(view->hintCard()->isVisible());
    EXPECT_FALSE(view->permissionView()->isVisible());
    EXPECT_TRUE(view->recommendedGroup()->isVisible());
    EXPECT_TRUE(view->experimentalGroup()->isVisible());
    shoot(QStringLiteral("settings-devices-allowed-recommended-experimental"));

    // Allowing the mouse moves it to the allowed list.
    click(view->recommendedRows().constFirst()->button());
    EXPECT_EQ(namesOf(view->sharedRows()).constLast(), QStringLiteral("Magic Mouse"));
    EXPECT_FALSE(view->recommendedGroup()->isVisible());
}

TEST_F(DevicesViewTest, TheUndoBannerFollowsTheLastStoppedDeviceUntilUndoneDismissedOrAllowedAgain)
{
    store->devices = {keyboard, trackpad};
    bluetooth->devices = {keyboard, trackpad};
    open();
    const auto sharedRow = [this](const QString &name) { return rowNamed(view->sharedRows(), name); };

    click(sharedRow(QStringLiteral("Magic Keyboard"))->button());
    ASSERT_TRUE(view->undoBanner()->isVisible());
    EXPECT_EQ(view->undoBanner()->title(), QStringLiteral("Stopped transfer for \u2068Magic Keyboard\u2069"));
    shoot(QStringLiteral("settings-devices-undo-banner"));

    // Stopping another device replaces it.
    click(sharedRow(QStringLiteral("Magic Trackpad"))->button());
    EXPECT_EQ(view->undoBanner()->title(), QStringLiteral("Stopped transfer for \u2068Magic Trackpad\u2069"));

    // Undo allows it again, with a new record, and hides the banner at once.
    click(view->undoBanner()->actionButton());
    EXPECT_FALSE(view->undoBanner()->isVisible());
    EXPECT_EQ(namesOf(view->sharedRows()), QStringList{QStringLiteral("Magic Trackpad")});

    // Allowing the device named in the banner from the available list clears it too.
    click(sharedRow(QStringLiteral("Magic Trackpad"))->button());
    ASSERT_TRUE(view->undoBanner()->isVisible());
    click(rowNamed(view->recommendedRows(), QStringLiteral("Magic Trackpad"))->button());
    EXPECT_FALSE(view->undoBanner()->isVisible());
    EXPECT_FALSE(view->recentlyStoppedSharedDevice());

    click(sharedRow(QStringLiteral("Magic Trackpad"))->button());
    QTest::mouseClick(view->undoBanner()->dismissButton(), Qt::LeftButton);
    EXPECT_FALSE(view->undoBanner()->isVisible());
}

// A 63-byte name does not fit the banner's title: it ends in "…" (never cut mid-word without one), and
// the tool tip holds the whole title.
TEST_F(DevicesViewTest, TheUndoBannersTitleEndsInAnEllipsisWithTheWholeNameInItsToolTip)
{
    const QString longName = QStringLiteral("Conference Room Keyboard on the Third Floor, East Wing 01234567");
    ASSERT_EQ(longName.toUtf8().size(), 63);
    const Device device = PreviewFixtures::device(7, longName);
    store->devices = {device};
    bluetooth->devices = {device};
    open();
    click(view->sharedRows().constFirst()->button());
    ASSERT_TRUE(view->undoBanner()->isVisible());
    shoot(QStringLiteral("settings-devices-undo-banner-long-name"));
    TextLabel *title = view->undoBanner()->titleLabel();
    const QString shown = title->text();
    EXPECT_NE(shown, title->fullText()) << "the whole title does not fit at this width";
    // (The isolate around the name stays closed after the ellipsis.)
    EXPECT_TRUE(QString(shown).remove(QChar(0x2069)).endsWith(QChar(0x2026))) << shown.toStdString();
    EXPECT_LE(QFontMetrics(title->font()).horizontalAdvance(shown), title->contentsRect().width());
    EXPECT_TRUE(title->toolTip().contains(longName));
}

// Names as nearby devices announce them, in the allowed list and inside the undo banner's sentence:
// literal, long ones ending in "…", an override kept inside its name.
TEST_F(DevicesViewTest, ShotsOfHostileDeviceNamesInTheListAndTheUndoBanner)
{
    QList<Device> named;
    for (const QString &name : hostileNames()) {
        named.append(PreviewFixtures::device(20 + int(named.size()), name));
    }
    store->devices = named;
    bluetooth->devices = named;
    open();
    shoot(QStringLiteral("settings-devices-hostile-names"));
    EXPECT_EQ(hostileNameFaults(*window), QStringList());
    const QStringList shown = namesOf(view->sharedRows());
    ASSERT_EQ(shown.size(), named.size());
    for (const QString &name : shown) {
        SCOPED_TRACE(name.toStdString());
        click(rowNamed(view->sharedRows(), name)->button());
        ASSERT_TRUE(view->undoBanner()->isVisible());
        EXPECT_EQ(view->undoBanner()->title(), QStringLiteral("Stopped transfer for ") + UntrustedText::isolated(name));
        // (The device's name arrives without its override.)
        if (name == QStringLiteral("Studio PC")) {
            shoot(QStringLiteral("settings-devices-hostile-names-undo-override"));
        } else if (name.toUtf8().size() == 63) {
            shoot(QStringLiteral("settings-devices-hostile-names-undo-long"));
        } else if (name.contains(QLatin1Char('<'))) {
            shoot(QStringLiteral("settings-devices-hostile-names-undo-markup"));
        }
        EXPECT_EQ(hostileNameFaults(*window), QStringList());
        click(view->undoBanner()->actionButton());
    }
}

TEST_F(DevicesViewTest, AFailedStopKeepsTheDeviceShowsTheErrorAndNoUndo)
{
    store->devices = {keyboard};
    open();
    store->failure = StorageError::diskFull();

    click(view->sharedRows().constFirst()->button());

    EXPECT_FALSE(view->undoBanner()->isVisible()) << "the device is still allowed";
    EXPECT_EQ(namesOf(view->sharedRows()), QStringList{QStringLiteral("Magic Keyboard")});
    ASSERT_TRUE(view->errorBanner()->isVisible());
    EXPECT_EQ(view->errorBanner()->title(), QStringLiteral("Couldn’t update devices"));
    EXPECT_EQ(view->errorBanner()->message(),
              QStringLiteral("Failed to update device sharing: ") + userDescription(StorageError::diskFull()));
    QTest::mouseClick(view->errorBanner()->dismissButton(), Qt::LeftButton);
    EXPECT_FALSE(model->errorMessage());
}

TEST_F(DevicesViewTest, LoadingWhileTheFirstRefreshRunsThenTheEmptyStates)
{
    store->devices = {keyboard};
    bluetooth->holdStatusLookups = true;
    open();

    EXPECT_EQ(view->availableState(), DevicesView::AvailableState::Loading);
    EXPECT_TRUE(view->loadingCard()->isVisible());
    EXPECT_TRUE(view->hintCard()->isVisible());
    EXPECT_EQ(view->summaryBadge()->text(), QStringLiteral("Refreshing devices"));
    EXPECT_FALSE(view->refreshButton()->isVisible());
    // The header's busy line and the loading card's move on the clock: a full bar would read as done.
    QList<BusyBar *> busy;
    for (BusyBar *bar : view->findChildren<BusyBar *>()) {
        if (bar->isVisible()) {
            busy.append(bar);
        }
    }
    ASSERT_EQ(busy.size(), 2);
    const double header = busy[0]->phase();
    const double card = busy[1]->phase();
    clock->advance(0.3);
    EXPECT_NE(busy[0]->phase(), header);
    EXPECT_NE(busy[1]->phase(), card);
    shoot(QStringLiteral("settings-devices-loading"));

    store->devices.clear();
    bluetooth->releaseStatusLookups();
    runTask(model->refreshDevices(BluetoothRefreshSource::UserInitiated));
    QCoreApplication::processEvents();

    EXPECT_EQ(view->summaryBadge()->text(), QStringLiteral("No paired devices"));
    EXPECT_TRUE(view->hintCard()->isVisible());
    EXPECT_TRUE(view->sharedEmptyCard()->isVisible());
    EXPECT_TRUE(view->availableEmptyCard()->isVisible());
    EXPECT_TRUE(view->refreshButton()->isVisible());
    shoot(QStringLiteral("settings-devices-empty"));
}

TEST_F(DevicesViewTest, ABlockedRefreshShowsTheBluetoothCardWhoseButtonsReachTheChecker)
{
    permissions->simulateBluetoothStatus(SystemPermissionStatus::Denied);
    open();

    ASSERT_TRUE(view->permissionView()->isVisible());
    EXPECT_EQ(view->permissionView()->titleLabel()->fullText(), QStringLiteral("Turn Bluetooth access back on"));
    shoot(QStringLiteral("settings-devices-bluetooth-card"));

    click(view->permissionView()->primaryButton());
    EXPECT_EQ(permissions->openBluetoothSettingsCallCount(), 1);
    EXPECT_FALSE(view->permissionView()->detailLabel()->fullText().contains(QStringLiteral("bluetoothctl")));
    // No settings program to open: the card says what to run instead.
    permissions->hasBluetoothSettingsProgram = false;
    click(view->permissionView()->primaryButton());
    EXPECT_EQ(permissions->openBluetoothSettingsCallCount(), 2);
    EXPECT_TRUE(view->permissionView()->detailLabel()->fullText().contains(QStringLiteral("“bluetoothctl power on”")));
    shoot(QStringLiteral("settings-devices-bluetooth-no-settings-program"));
    permissions->simulateBluetoothStatus(SystemPermissionStatus::Authorized);
    click(view->permissionView()->secondaryButton());
    EXPECT_FALSE(view->permissionView()->isVisible());
}

TEST_F(DevicesViewTest, CtrlRAndTheRefreshButtonRefresh)
{
    open();
    const int listings = bluetooth->listCalls;
    click(view->refreshButton());
    QTest::keyClick(window.get(), Qt::Key_R, Qt::ControlModifier);
    QCoreApplication::processEvents();
    EXPECT_EQ(bluetooth->listCalls, listings + 2);
}

TEST_F(DevicesViewTest, APictureFromThePreviewServices)
{
    auto storage = std::make_shared<PreviewDeviceStorageService>(QList<Device>{keyboard});
    auto manager = std::make_shared<PreviewBluetoothDeviceManager>(
        QList<Device>{keyboard, trackpad, mouse, mxKeys},
        QHash<QString, ConnectionStatus>{{trackpad.macAddress(), ConnectionStatus::PairedNotConnected},
                                         {mxKeys.macAddress(), ConnectionStatus::NotPaired}});
    open(storage, manager);
    EXPECT_EQ(view->summaryBadge()->text(), QStringLiteral("1 device allowed for transfer"));
    shoot(QStringLiteral("settings-devices-preview"));
}
