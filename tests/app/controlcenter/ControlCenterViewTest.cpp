#include "controlcenter/ControlCenterView.h"
#include "controlcenter/ConnectionStatusIndicator.h"
#include "controlcenter/ControlCenterPanels.h"
#include "controlcenter/OnboardingChecklistCard.h"
#include "controlcenter/TransferMessageView.h"

#include "common/DeviceInfoRow.h"
#include "common/PermissionGuidanceView.h"
#include "kit/BusyBar.h"
#include "kit/CapsuleButton.h"
#include "kit/IconView.h"
#include "kit/TextLabel.h"
#include "kit/Theme.h"
#include "kit/UntrustedText.h"
#include "tray/ControlCenterQuickTransferPolicy.h"

#include "../models/ConnectedMacsViewModelFixture.h"
#include "support/HostileNames.h"
#include "support/ManualClock.h"
#include "support/PreviewFixtures.h"
#include "support/RunTask.h"
#include "support/Shots.h"
#include "support/TestPalettes.h"
#include "support/fakes/FakeControlCoordinator.h"
#include "support/fakes/FakeDeviceOwnership.h"
#include "support/fakes/FakeMacIdentifier.h"
#include "support/fakes/FakeSharedDevices.h"

#include <QTest>
#include <QVBoxLayout>

using namespace verandel;
using namespace verandel::test;

namespace {

class ControlCenterViewTest : public ViewModelFixture
{
protected:
    void SetUp() override { make(); }

    std::shared_ptr<ManualClock> clock = std::make_shared<ManualClock>();

    ControlCenterView &view()
    {
        if (!m_view) {
            m_view = std::make_unique<ControlCenterView>(
                ControlCenterView::Services{model.get(), &devices, coordinator, ownership, identity, &transferState,
                                            clock},
                std::make_shared<IconProvider>(), DeviceRowFactory(),
                [this](SettingsAction action) { settingsActions.append(action); });
            m_view->resize(560, 700);
        }
        return *m_view;
    }

    void link(const QList<std::pair<ConnectedMac, std::optional<ConnectionState>>> &macs)
    {
        QList<ConnectedMac> stored;
        for (const auto &[mac, state] : macs) {
            stored.append(mac);
            if (state) {
                auto status = std::make_shared<MacConnectionStatus>(mac.id());
                status->updateConnectionState(*state);
                monitor->statuses.insert(mac.id(), status);
            }
        }
        storage->addTestData(stored);
        runTask(model->refreshConnectedMacs());
        settle();
    }

    void shot(const QString &name)
    {
        showFitted(view(), 560);
        view().setFixedHeight(view().widget()->sizeHint().height());
        settle();
        saveShot(view(), name);
    }

    FakeSharedDevices devices;
    std::shared_ptr<FakeControlCoordinator> coordinator
        = std::make_shared<FakeControlCoordinator>(QUuid::fromString(u"{00000000-0000-4000-8000-0000000000aa}"));
    std::shared_ptr<FakeDeviceOwnership> ownership = std::make_shared<FakeDeviceOwnership>();
    std::shared_ptr<FakeMacIdentifier> identity
        = std::make_shared<FakeMacIdentifier>(coordinator->macId, QStringLiteral("Workbench"));
    ControlCenterTransferState transferState;
    QList<SettingsAction> settingsActions;

    const ConnectedMac studio = PreviewFixtures::linkedMac(1, QStringLiteral("Design Studio"));
    const ConnectedMac kitchen = PreviewFixtures::linkedMac(2, QStringLiteral("Kitchen PC"));
    const DeviceState keyboard = PreviewFixtures::sharedDevice(1, QStringLiteral("Magic Keyboard"),
                                                               ConnectionStatus::Connected, DeviceType::MagicKeyboard);
    const DeviceState mouse = PreviewFixtures::sharedDevice(
        2, QStringLiteral("Magic Mouse"), ConnectionStatus::PairedNotConnected, DeviceType::MagicMouse);
    const DeviceState trackpad = PreviewFixtures::sharedDevice(
        3, QStringLiteral("Magic Trackpad"), ConnectionStatus::PairedNotConnected, DeviceType::MagicTrackpad);

private:
    std::unique_ptr<ControlCenterView> m_view;
};

} // namespace

TEST_F(ControlCenterViewTest, EmptyShowsBothChecklists)
{
    view().show();
    settle();
    EXPECT_TRUE(view().thisMacPanel()->onboarding()->isVisible());
    EXPECT_FALSE(view().thisMacPanel()->takeButton()->isVisible());
    EXPECT_TRUE(view().emptyPanel()->isVisible());
    EXPECT_FALSE(view().inTransitionPanel()->isVisible());
    EXPECT_FALSE(view().messageLabel()->isVisible());
    EXPECT_FALSE(view().bluetoothCard()->isVisible());
    EXPECT_EQ(view().thisMacPanel()->titleLabel()->fullText(), QStringLiteral("\u2068Workbench\u2069 (this computer)"));

    QTest::mouseClick(view().thisMacPanel()->onboarding()->button(), Qt::LeftButton);
    QTest::mouseClick(view().emptyPanel()->onboarding()->button(), Qt::LeftButton);
    EXPECT_EQ(settingsActions, (QList<SettingsAction>{SettingsAction::ShowDevices, SettingsAction::ShowConnectedMacs}));
    shot(QStringLiteral("controlcenter-empty"));
}

TEST_F(ControlCenterViewTest, TwoLinkedComputersWithDevices)
{
    ownership->setQuietly({{mouse.macAddress(), studio.id()}});
    devices.devices = {keyboard, mouse};
    link({{studio, ConnectionState::Connected}, {kitchen, ConnectionState::Unstable}});
    view().show();
    settle();

    ConnectedMacPanel *studioPanel = view().panelOf(studio.id());
    ConnectedMacPanel *kitchenPanel = view().panelOf(kitchen.id());
    ASSERT_NE(studioPanel, nullptr);
    ASSERT_NE(kitchenPanel, nullptr);
    EXPECT_FALSE(view().emptyPanel()->isVisible());
    EXPECT_EQ(studioPanel->deviceList()->devices(), QList<DeviceState>{mouse});
    EXPECT_TRUE(studioPanel->sendButton()->isEnabled());
    EXPECT_EQ(kitchenPanel->stateLabel()->fullText(), QStringLiteral("Unstable connection"));
    EXPECT_TRUE(kitchenPanel->emptyLabel()->isVisible());
    EXPECT_TRUE(view().thisMacPanel()->takeButton()->isEnabled());
    // The keyboard was connected and unowned: claimed on appear, in one call.
    EXPECT_EQ(ownership->setOwnerCalls.size(), 1);
    EXPECT_EQ(view().thisMacPanel()->deviceList()->devices(), QList<DeviceState>{keyboard});
    // The shared device row: with its connection status under this computer, without under a linked one.
    const auto rows = [](QWidget *list) { return list->findChildren<DeviceInfoRow *>(); };
    ASSERT_EQ(rows(view().thisMacPanel()->deviceList()).size(), 1);
    EXPECT_EQ(rows(view().thisMacPanel()->deviceList())[0]->nameLabel()->fullText(), keyboard.displayName());
    EXPECT_NE(rows(view().thisMacPanel()->deviceList())[0]->statusLine(), nullptr);
    ASSERT_EQ(rows(studioPanel->deviceList()).size(), 1);
    EXPECT_EQ(rows(studioPanel->deviceList())[0]->statusLine(), nullptr);

    QTest::mouseClick(studioPanel->sendButton(), Qt::LeftButton);
    QTest::mouseClick(view().thisMacPanel()->takeButton(), Qt::LeftButton);
    QTest::mouseClick(view().thisMacPanel()->takeButton(), Qt::LeftButton);
    EXPECT_EQ(coordinator->calls,
              (QStringList{QStringLiteral("sendControl ") + studio.id().toString(QUuid::WithoutBraces),
                           QStringLiteral("takeControl"), QStringLiteral("takeControl")}));

    // A state change updates the same card in place.
    monitor->updateConnectionState(kitchen.id(), ConnectionState::Connecting);
    settle();
    EXPECT_EQ(view().panelOf(kitchen.id()), kitchenPanel);
    EXPECT_TRUE(kitchenPanel->notConnectedNote()->isVisible());
    EXPECT_FALSE(kitchenPanel->sendButton()->isVisible());
    EXPECT_TRUE(kitchenPanel->indicator()->isAnimating());
    monitor->updateConnectionState(kitchen.id(), ConnectionState::Unstable);
    settle();
    EXPECT_FALSE(kitchenPanel->indicator()->isAnimating());
    EXPECT_EQ(kitchenPanel->parentWidget()->layout()->count(), 2);
    shot(QStringLiteral("controlcenter-two-computers"));
    view().setPalette(darkPalette());
    shot(QStringLiteral("controlcenter-two-computers-dark"));
}

TEST_F(ControlCenterViewTest, AComputerWhoseIdentityIsClaimedTwiceIsPausedUntilOneClaimIsLeft)
{
    ownership->setQuietly({{mouse.macAddress(), studio.id()}});
    devices.devices = {keyboard, mouse};
    link({{studio, ConnectionState::Connected}, {kitchen, ConnectionState::Connected}});
    view().show();
    settle();
    ConnectedMacPanel *studioPanel = view().panelOf(studio.id());
    ASSERT_NE(studioPanel, nullptr);
    EXPECT_FALSE(studioPanel->identityConflictNote()->isVisible());

    // As the directory reports it: the monitor marks the computer disconnected, and the conflict follows.
    directory->announceConflicts({studio.id()});
    monitor->updateConnectionState(studio.id(), ConnectionState::Disconnected);
    settle();
    EXPECT_EQ(view().panelOf(studio.id()), studioPanel);
    EXPECT_EQ(studioPanel->stateLabel()->fullText(), QStringLiteral("Transfers paused"));
    EXPECT_TRUE(studioPanel->identityConflictNote()->isVisible());
    EXPECT_EQ(studioPanel->identityConflictNote()->fullText(),
              QStringLiteral("Another computer on the network is using this computer's identity. Transfers with it "
                             "are paused."));
    EXPECT_FALSE(studioPanel->notConnectedNote()->isVisible());
    EXPECT_FALSE(studioPanel->sendButton()->isVisible());
    EXPECT_FALSE(studioPanel->deviceList()->isVisible());
    EXPECT_FALSE(view().thisMacPanel()->takeButton()->isEnabled()) << "the only devices to pull are the paused one's";
    EXPECT_FALSE(view().panelOf(kitchen.id())->identityConflictNote()->isVisible());
    shot(QStringLiteral("controlcenter-identity-conflict"));
    view().setPalette(darkPalette());
    shot(QStringLiteral("controlcenter-identity-conflict-dark"));

    directory->announceConflicts({});
    monitor->updateConnectionState(studio.id(), ConnectionState::Connected);
    settle();
    EXPECT_FALSE(studioPanel->identityConflictNote()->isVisible());
    EXPECT_EQ(studioPanel->stateLabel()->fullText(), QStringLiteral("Connected"));
    EXPECT_TRUE(studioPanel->sendButton()->isVisible());
}

TEST_F(ControlCenterViewTest, DevicesInTransitionAndTheTransferMessage)
{
    ownership->setQuietly({{keyboard.macAddress(), coordinator->macId}, {trackpad.macAddress(), kitchen.id()}});
    devices.devices = {keyboard, mouse, trackpad};
    link({{studio, ConnectionState::Connected}, {kitchen, std::nullopt}});
    view().show();
    settle();
    EXPECT_EQ(view().inTransitionPanel()->deviceList()->devices(), (QList<DeviceState>{mouse, trackpad}));
    EXPECT_TRUE(view().inTransitionPanel()->isVisible());
    EXPECT_EQ(view().panelOf(kitchen.id())->stateLabel()->fullText(), QStringLiteral("Disconnected"));
    // A disabled button says why; its title still reads at 3:1.
    CapsuleButton *take = view().thisMacPanel()->takeButton();
    EXPECT_FALSE(take->isEnabled());
    EXPECT_TRUE(take->toolTip().contains(QStringLiteral("No connected computer has devices allowed for transfer.")));
    const CapsuleButton::Look disabled = CapsuleButton::look(take->kind(), take->palette(), false);
    EXPECT_GE(Theme::contrastRatio(disabled.text, Theme::over(disabled.fill, take->palette().color(QPalette::Base))),
              3.0);
    shot(QStringLiteral("controlcenter-in-transition"));

    transferState.setMessage(QStringLiteral("2 device(s) ready on peer."),
                             ControlCenterTransferMessageKind::InProgress);
    EXPECT_FALSE(view().messageLabel()->isVisible());
    settle();
    EXPECT_TRUE(view().messageLabel()->isVisible());
    EXPECT_EQ(view().messageLabel()->fullText(), QStringLiteral("2 device(s) ready on peer."));
    // While the transfer runs, the busy line moves on the clock.
    TransferMessageView *message = view().messageView();
    EXPECT_EQ(message->icon()->name(), QStringLiteral("arrow.left.arrow.right"));
    ASSERT_TRUE(message->busyLine()->isVisible());
    const double phase = message->busyLine()->phase();
    clock->advance(0.3);
    EXPECT_NE(message->busyLine()->phase(), phase);
    shot(QStringLiteral("controlcenter-transfer-message"));

    // A refusal needs the user: the warning symbol and tint, no busy line, and nothing ticks any more.
    transferState.setMessage(QStringLiteral("Transfer unavailable for ") + UntrustedText::isolated(studio.name())
                                 + QStringLiteral("."),
                             ControlCenterTransferMessageKind::Warning);
    settle();
    EXPECT_EQ(message->icon()->name(), QStringLiteral("exclamationmark.triangle.fill"));
    EXPECT_TRUE(message->look() == CardLook::warning());
    EXPECT_FALSE(message->busyLine()->isVisible());
    EXPECT_EQ(clock->sleeperCount(), 0);
    shot(QStringLiteral("controlcenter-transfer-refused"));

    transferState.setMessage(QStringLiteral("Transfer complete."), ControlCenterTransferMessageKind::Done);
    settle();
    EXPECT_EQ(message->icon()->name(), QStringLiteral("checkmark.circle.fill"));
    EXPECT_TRUE(message->look() == CardLook());
    EXPECT_FALSE(message->busyLine()->isVisible());
}

TEST_F(ControlCenterViewTest, TheBluetoothCardFollowsTheCoordinator)
{
    coordinator->guidance = BluetoothPermissionGuidanceState::Preflight;
    devices.devices = {keyboard};
    link({{studio, ConnectionState::Connected}});
    view().show();
    settle();
    ASSERT_TRUE(view().bluetoothCard()->isVisible());
    EXPECT_EQ(view().bluetoothCard()->titleLabel()->fullText(), QStringLiteral("Allow Bluetooth"));
    QTest::mouseClick(view().bluetoothCard()->primaryButton(), Qt::LeftButton);
    QTest::mouseClick(view().bluetoothCard()->secondaryButton(), Qt::LeftButton);
    EXPECT_EQ(coordinator->calls,
              (QStringList{QStringLiteral("continue"), QStringLiteral("stageBluetoothPermissionGuidance -1")}));
    coordinator->publishGuidance(BluetoothPermissionGuidanceState::DeniedRecovery);
    settle();
    EXPECT_EQ(view().bluetoothCard()->titleLabel()->fullText(), QStringLiteral("Turn Bluetooth access back on"));
    // Something to act on, not something switched off.
    EXPECT_TRUE(view().bluetoothCard()->look() == CardLook::warning());
    shot(QStringLiteral("controlcenter-bluetooth-card"));
    // No settings program to open: the card says what to run instead.
    coordinator->hasBluetoothSettingsProgram = false;
    QTest::mouseClick(view().bluetoothCard()->primaryButton(), Qt::LeftButton);
    EXPECT_TRUE(view().bluetoothCard()->detailLabel()->fullText().contains(QStringLiteral("“bluetoothctl power on”")));
    EXPECT_EQ(coordinator->calls.last(), QStringLiteral("openBluetoothSettings"));
    shot(QStringLiteral("controlcenter-bluetooth-no-settings-program"));
    coordinator->publishGuidance(std::nullopt);
    settle();
    EXPECT_FALSE(view().bluetoothCard()->isVisible());
}

// Names from other computers and devices are shown as they are: never as markup, never reordering the card.
TEST_F(ControlCenterViewTest, HostileNamesStayLiteralInTheirCards)
{
    const QStringList names = hostileNames();
    QList<std::pair<ConnectedMac, std::optional<ConnectionState>>> macs;
    QList<DeviceState> shared;
    OwnershipMap owners;
    for (int i = 0; i < names.size(); ++i) {
        const ConnectedMac mac = PreviewFixtures::linkedMac(10 + i, names[i]);
        macs.append({mac, i == 1 ? ConnectionState::Unstable : ConnectionState::Connected});
        shared.append(
            PreviewFixtures::sharedDevice(10 + i, names[i], ConnectionStatus::Connected, DeviceType::MagicKeyboard));
        owners.insert(shared.last().macAddress(), i == 0 ? coordinator->macId : mac.id());
    }
    ownership->setQuietly(owners);
    devices.devices = shared;
    link(macs);
    view().show();
    settle();
    for (const auto &[mac, state] : macs) {
        ASSERT_NE(view().panelOf(mac.id()), nullptr);
        EXPECT_TRUE(view().panelOf(mac.id())->titleLabel()->fullText().contains(mac.name()));
    }
    EXPECT_EQ(labelsRenderingMarkup(view()), QStringList());
    shot(QStringLiteral("controlcenter-hostile-names"));
    EXPECT_EQ(hostileNameFaults(view()), QStringList());
}

// Every kind of card a name from elsewhere stands in, with the refusal that names a computer on top: the
// names stay literal, long ones end in "…", and an override never reorders the words around its name.
TEST_F(ControlCenterViewTest, HostileNamesInEveryKindOfCardAndInTheRefusal)
{
    const QStringList names = hostileNames();
    // This computer's own name may have been stored before control characters were dropped.
    identity->name = names[4];
    // Per name: connected with its device, paused (another computer claims it; the monitor marks it
    // disconnected), disconnected with its device in transition, connecting, and paused again.
    const ConnectionState states[]
        = {ConnectionState::Connected, ConnectionState::Disconnected, ConnectionState::Disconnected,
           ConnectionState::Connecting, ConnectionState::Disconnected};
    QList<std::pair<ConnectedMac, std::optional<ConnectionState>>> macs;
    QList<DeviceState> shared;
    OwnershipMap owners;
    for (int i = 0; i < names.size(); ++i) {
        const ConnectedMac mac = PreviewFixtures::linkedMac(20 + i, names[i]);
        macs.append({mac, states[i]});
        shared.append(
            PreviewFixtures::sharedDevice(20 + i, names[i], ConnectionStatus::Connected, DeviceType::MagicKeyboard));
        if (i != 3) {
            owners.insert(shared.last().macAddress(), i == 1 ? coordinator->macId : mac.id());
        }
    }
    ownership->setQuietly(owners);
    devices.devices = shared;
    link(macs);
    directory->announceConflicts({macs[1].first.id(), macs[4].first.id()});
    // As the tray words it, with the name the link record keeps.
    transferState.setMessage(
        ControlCenterQuickTransferPolicy::sendControlDecision(macs[4].first.displayName(), false).unavailableMessage,
        ControlCenterTransferMessageKind::Warning);
    view().show();
    settle();
    for (const int paused : {1, 4}) {
        EXPECT_TRUE(view().panelOf(macs[paused].first.id())->identityConflictNote()->isVisible());
    }
    EXPECT_EQ(view().inTransitionPanel()->deviceList()->devices().size(), 2);
    EXPECT_TRUE(view().messageLabel()->fullText().contains(UntrustedText::isolated(macs[4].first.displayName())));
    shot(QStringLiteral("controlcenter-hostile-names-every-card"));
    EXPECT_EQ(hostileNameFaults(view()), QStringList());

    // The refusal naming each of them as announced, the override too, as the message card shows it.
    QWidget column;
    column.setPalette(lightPalette());
    auto *layout = new QVBoxLayout(&column);
    for (const QString &name : names) {
        auto *message = new TransferMessageView(std::make_shared<IconProvider>(), clock, &column);
        message->setMessage(*ControlCenterQuickTransferPolicy::sendControlDecision(name, false).unavailableMessage,
                            ControlCenterTransferMessageKind::Warning);
        layout->addWidget(message);
    }
    showFitted(column, 560);
    saveShot(column, QStringLiteral("controlcenter-hostile-names-refusals"));
    EXPECT_EQ(hostileNameFaults(column), QStringList());
}

// Services publish from inside their own calls; the view takes the publication after the call.
TEST_F(ControlCenterViewTest, APublicationFromInsideAServiceCallArrivesAfterIt)
{
    view().show();
    settle();
    const OwnershipMap claimed{{keyboard.macAddress(), studio.id()}};
    ownership->publish(claimed);
    EXPECT_TRUE(view().inputs().ownership.isEmpty());
    settle();
    EXPECT_EQ(view().inputs().ownership, claimed);
}

// The claim reads the service's map, not the view's copy that has not caught up yet.
TEST_F(ControlCenterViewTest, TheOwnershipClaimReadsAFreshMap)
{
    view().show();
    settle();
    const DeviceState other = PreviewFixtures::sharedDevice(4, QStringLiteral("Other keyboard"));
    ownership->setQuietly({{other.macAddress(), studio.id()}});
    devices.set({keyboard, other});
    settle();
    ASSERT_EQ(ownership->setOwnerCalls.size(), 1);
    EXPECT_EQ(ownership->setOwnerCalls[0].second, QStringList{keyboard.macAddress()});
    devices.set({keyboard, other});
    settle();
    EXPECT_EQ(ownership->setOwnerCalls.size(), 1);
}

namespace {

// Every label of the column with its text, and whether it shows (a card just added shows a moment later).
QStringList controlCenterTexts(const QWidget &root)
{
    QStringList texts;
    for (const TextLabel *label : root.findChildren<TextLabel *>()) {
        texts.append(label->fullText() + (label->isVisibleTo(&root) ? QString() : QStringLiteral(" (hidden)")));
    }
    return texts;
}

} // namespace

// Each publication the view subscribes to reaches it queued: at the moment of the signal the column
// still shows what it showed before (so a service publishing from inside one of our calls never
// re-enters the view), and it shows the change once the loop has run.
TEST_F(ControlCenterViewTest, EverySubscriptionIsDeliveredQueued)
{
    const ConnectedMac garage = PreviewFixtures::linkedMac(3, QStringLiteral("Garage"));
    ownership->setQuietly({{keyboard.macAddress(), coordinator->macId}});
    devices.devices = {keyboard};
    link({{studio, ConnectionState::Connected}, {kitchen, ConnectionState::Connected}});
    view().show();
    settle();

    using Probe = std::function<void()>;
    const struct
    {
        const char *name;
        std::function<QMetaObject::Connection(Probe)> watch;
        std::function<void()> publish;
    } subscriptions[] = {
        {"device ownership",
         [&](Probe probe) {
             return QObject::connect(ownership.get(), &DeviceOwnershipProtocol::ownershipStateChanged, probe);
         },
         [&] {
             ownership->publish({{keyboard.macAddress(), studio.id()}});
         }},
        {"shared devices",
         [&](Probe probe) { return QObject::connect(&devices, &SharedDevicesSource::verandelDevicesChanged, probe); },
         [&] {
             devices.set({keyboard, mouse});
         }},
        {"connection state",
         [&](Probe probe) {
             return QObject::connect(model.get(), &ConnectedMacsViewModel::connectionStateChanged, probe);
         },
         [&] { Q_EMIT monitor->connectionStateChanged(studio.id(), ConnectionState::Unstable); }},
        {"linked computers",
         [&](Probe probe) {
             return QObject::connect(model.get(), &ConnectedMacsViewModel::connectedMacsChanged, probe);
         },
         [&] {
             storage->addTestData({garage});
             runTask(model->refreshConnectedMacs());
         }},
        {"connection statuses",
         [&](Probe probe) {
             return QObject::connect(model.get(), &ConnectedMacsViewModel::connectionStatusesChanged, probe);
         },
         [&] {
             auto status = std::make_shared<MacConnectionStatus>(kitchen.id());
             status->updateConnectionState(ConnectionState::Connecting);
             monitor->statuses.insert(kitchen.id(), status);
             Q_EMIT monitor->connectionStatusChanged(kitchen.id(), status);
         }},
        {"advertised name",
         [&](Probe probe) {
             return QObject::connect(identity.get(), &MacIdentifierServiceProtocol::advertisedNameDidChange, probe);
         },
         [&] {
             identity->name = QStringLiteral("Renamed Workbench");
             Q_EMIT identity->advertisedNameDidChange(identity->name);
         }},
        {"Bluetooth card",
         [&](Probe probe) {
             return QObject::connect(coordinator.get(),
                                     &ControlCoordinatorProtocol::bluetoothPermissionGuidanceStateChanged, probe);
         },
         [&] { coordinator->publishGuidance(BluetoothPermissionGuidanceState::Preflight); }},
        {"transfer message",
         [&](Probe probe) {
             return QObject::connect(&transferState, &ControlCenterTransferState::messageChanged, probe);
         },
         [&] {
             transferState.setMessage(QStringLiteral("Transfer request sent."),
                                      ControlCenterTransferMessageKind::InProgress);
         }},
    };
    for (const auto &subscription : subscriptions) {
        const QStringList before = controlCenterTexts(view());
        std::optional<QStringList> atSignal;
        // Connected after the view's own subscription, so it runs after a direct delivery would have.
        const QMetaObject::Connection probe = subscription.watch([&] {
            if (!atSignal) {
                atSignal = controlCenterTexts(view());
            }
        });
        subscription.publish();
        settle();
        QObject::disconnect(probe);
        ASSERT_TRUE(atSignal.has_value()) << subscription.name;
        EXPECT_EQ(*atSignal, before) << subscription.name << " was delivered directly";
        EXPECT_NE(controlCenterTexts(view()), before) << subscription.name << " changed nothing shown";
    }
}
