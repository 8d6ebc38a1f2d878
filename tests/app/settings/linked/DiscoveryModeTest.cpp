#include "common/ConnectionStatusBadge.h"
#include "common/PermissionGuidanceView.h"
#include "kit/CapsuleBadge.h"
#include "kit/IconView.h"
#include "kit/KeyWindow.h"
#include "kit/TextLabel.h"
#include "kit/Theme.h"
#include "kit/ToggleSwitch.h"
#include "models/ConnectedMacsRules.h"
#include "models/PermissionGuidanceCards.h"
#include "settings/linked/ConnectionActionButton.h"
#include "settings/linked/ConnectionActionDualButton.h"
#include "settings/linked/DiscoveredMacRow.h"
#include "settings/linked/DiscoveryModeView.h"
#include "settings/linked/NearbyMacsSectionView.h"
#include "settings/linked/SecurityCodeView.h"

#include "app/models/ConnectedMacsViewModelFixture.h"
#include "support/HostileNames.h"
#include "support/PreviewFixtures.h"
#include "support/QtPrinters.h"
#include "support/RunTask.h"
#include "support/Shots.h"
#include "support/TestPalettes.h"
#include "support/fakes/FakeDiscoveryViewModel.h"

#include <QTest>
#include <QToolButton>
#include <QVBoxLayout>

#include <gtest/gtest.h>

using namespace verandel;
using namespace verandel::test;

namespace {

using Guidance = DiscoveryPermissionGuidanceState;
using Content = DiscoveryModePresentation::Content;

const SecurityCode kCode(QStringLiteral("K7Q2ZX"), PreviewFixtures::now());

// Cards need actions to show their second button.
PermissionGuidanceConfiguration localNetworkCard(DiscoveryPermissionGuidanceState state)
{
    const auto nothing = [] {};
    return PermissionGuidanceCards::localNetwork(state, {nothing, nothing, nothing, nothing});
}

std::optional<ConnectionRequest> requestWith(const DiscoverableMac &mac, ConnectionRequestState state,
                                             ConnectionDirection direction = ConnectionDirection::Outgoing)
{
    return PreviewFixtures::request(mac.id(), state, direction);
}

// The view model's Discovery Mode over fakes.
class DiscoveryViewModelTest : public ViewModelFixture
{ };

// The screen over a model the test sets directly.
class DiscoveryScreenTest : public ::testing::Test
{
protected:
    IconProviderPtr icons = std::make_shared<const IconProvider>();
    FakeDiscoveryViewModel model;
    DiscoveryModeView view{&model, icons};

    void show(bool active, std::optional<Guidance> guidance, bool canEnable, bool withCode = true)
    {
        model.active = active;
        model.guidance = guidance;
        model.canEnable = canEnable;
        model.code = withCode ? std::optional<SecurityCode>(kCode) : std::nullopt;
        model.configuration = guidance && !active
            ? std::optional<PermissionGuidanceConfiguration>(localNetworkCard(*guidance))
            : std::nullopt;
        model.publish();
        // Laid out as in a window, so every button has its size to be clicked at.
        view.resize(680, view.heightForWidth(680));
        view.show();
        settle();
    }
};

} // namespace

// The view model ---------------------------------------------------------------------------------

TEST_F(DiscoveryViewModelTest, TheLocalNetworkCardFollowsEachEventAndTheCachedStatus)
{
    enum class Event { Construction, SwitchOn, StartSucceeds, StartFails, SwitchOff, Stop, Dismiss };
    struct Row
    {
        const char *name;
        Event event;
        std::optional<Guidance> unknown;
        std::optional<Guidance> denied;
        std::optional<Guidance> authorized;
    };
    const Row rows[] = {
        {"construction", Event::Construction, std::nullopt, Guidance::DeniedRecovery, std::nullopt},
        {"switch on", Event::SwitchOn, Guidance::Preflight, Guidance::DeniedRecovery, std::nullopt},
        {"start succeeds", Event::StartSucceeds, std::nullopt, std::nullopt, std::nullopt},
        {"start fails", Event::StartFails, Guidance::Preflight, Guidance::DeniedRecovery, std::nullopt},
        {"switch off", Event::SwitchOff, Guidance::Preflight, Guidance::DeniedRecovery, std::nullopt},
        {"stop", Event::Stop, Guidance::Preflight, Guidance::DeniedRecovery, std::nullopt},
        {"dismiss", Event::Dismiss, std::nullopt, std::nullopt, std::nullopt},
    };
    for (const Row &row : rows) {
        for (const SystemPermissionStatus status :
             {SystemPermissionStatus::Unknown, SystemPermissionStatus::Denied, SystemPermissionStatus::Authorized}) {
            SCOPED_TRACE(std::string(row.name) + ", " + toString(status).toStdString());
            discovery = std::make_shared<FakeMacDiscoveryService>();
            permissions->simulateLocalNetworkStatus(status);
            ConnectedMacsViewModel &vm = make();
            bool serviceMayStart = true;
            switch (row.event) {
            case Event::Construction: serviceMayStart = false; break;
            case Event::SwitchOn:
                test::runTask(vm.setDiscoveryModeEnabled(true));
                serviceMayStart = status == SystemPermissionStatus::Authorized;
                break;
            case Event::StartSucceeds: test::runTask(vm.startDiscovery()); break;
            case Event::StartFails:
                discovery->startDiscoveryError = MacDiscoveryError::permissionDenied(QStringLiteral("No access"));
                test::runTask(vm.startDiscovery());
                EXPECT_EQ(vm.errorMessage(), QStringLiteral("Failed to start discovery: No access"));
                break;
            case Event::SwitchOff:
            case Event::Stop:
                test::runTask(vm.startDiscovery());
                settle();
                test::runTask(row.event == Event::Stop ? vm.stopDiscovery() : vm.setDiscoveryModeEnabled(false));
                break;
            case Event::Dismiss:
                test::runTask(vm.setDiscoveryModeEnabled(true));
                vm.dismissPermissionGuidance();
                serviceMayStart = status == SystemPermissionStatus::Authorized;
                break;
            }
            settle();
            const std::optional<Guidance> expected = status == SystemPermissionStatus::Unknown ? row.unknown
                : status == SystemPermissionStatus::Denied                                     ? row.denied
                                                                                               : row.authorized;
            EXPECT_EQ(vm.inlinePermissionGuidanceState(), expected);
            if (!serviceMayStart) {
                EXPECT_FALSE(discovery->calls.contains(QStringLiteral("startDiscovery"))) << "the service is not asked";
            }
        }
    }
}

TEST_F(DiscoveryViewModelTest, TheSwitchTakesInputWhileIdleActiveOrWhileACardWaits)
{
    for (const DiscoveryServiceState state : allDiscoveryServiceStates) {
        for (const std::optional<Guidance> card :
             {std::optional<Guidance>(), std::optional<Guidance>(Guidance::Preflight)}) {
            SCOPED_TRACE(toString(state).toStdString() + (card ? " with a card" : ""));
            const bool expected
                = state == DiscoveryServiceState::Idle || state == DiscoveryServiceState::Active || card.has_value();
            EXPECT_EQ(ConnectedMacsRules::canEnableDiscovery(isActive(state), state, card), expected);
        }
    }
    // The model publishes it with every change of its inputs.
    permissions->simulateLocalNetworkStatus(SystemPermissionStatus::Unknown);
    ConnectedMacsViewModel &vm = make();
    discovery->setState(DiscoveryServiceState::Starting);
    settle();
    EXPECT_FALSE(vm.canEnableDiscovery());
    test::runTask(vm.setDiscoveryModeEnabled(true));
    EXPECT_TRUE(vm.canEnableDiscovery()) << "a card waits for the user";
    EXPECT_FALSE(vm.canStartDiscovery());
    EXPECT_TRUE(vm.canStopDiscovery());
}

TEST_F(DiscoveryViewModelTest, TheCardsButtonsActAndTheCardHidesWhileDiscoveryModeRuns)
{
    permissions->simulateLocalNetworkStatus(SystemPermissionStatus::Unknown);
    ConnectedMacsViewModel &vm = make();
    EXPECT_EQ(vm.permissionGuidanceConfiguration().has_value(), false);
    test::runTask(vm.setDiscoveryModeEnabled(true));
    std::optional<PermissionGuidanceConfiguration> card = vm.permissionGuidanceConfiguration();
    ASSERT_TRUE(card.has_value());
    EXPECT_EQ(card->title, PermissionGuidanceCards::localNetwork(Guidance::Preflight, {}).title);

    card->secondaryAction(); // Cancel
    EXPECT_EQ(vm.inlinePermissionGuidanceState(), std::nullopt);
    EXPECT_TRUE(discovery->calls.isEmpty());

    test::runTask(vm.setDiscoveryModeEnabled(true));
    // Continue starts Discovery Mode; the check of the local network is the service's.
    permissions->simulateLocalNetworkStatus(SystemPermissionStatus::Denied);
    discovery->startDiscoveryError = MacDiscoveryError::permissionDenied(QStringLiteral("avahi-daemon is away"));
    vm.permissionGuidanceConfiguration()->primaryAction();
    settle();
    EXPECT_EQ(discovery->calls, QStringList{QStringLiteral("startDiscovery")});
    EXPECT_EQ(vm.inlinePermissionGuidanceState(), Guidance::DeniedRecovery);
    EXPECT_EQ(vm.errorMessage(), QStringLiteral("Failed to start discovery: avahi-daemon is away"));

    card = vm.permissionGuidanceConfiguration();
    EXPECT_EQ(card->title, PermissionGuidanceCards::localNetwork(Guidance::DeniedRecovery, {}).title);
    EXPECT_FALSE(card->secondaryAction) << "no settings panel starts avahi-daemon";

    discovery->startDiscoveryError.reset();
    permissions->simulateLocalNetworkStatus(SystemPermissionStatus::Authorized);
    card->primaryAction(); // Check Again
    settle();
    EXPECT_EQ(permissions->openSettingsCallCount(), 0);
    EXPECT_TRUE(vm.isDiscoveryActive());
    EXPECT_EQ(vm.inlinePermissionGuidanceState(), std::nullopt);
    EXPECT_EQ(vm.errorMessage(), QStringLiteral("Failed to start discovery: avahi-daemon is away"))
        << "a start leaves the last error to the next operation";

    // A card raised while Discovery Mode runs stays hidden.
    permissions->simulateLocalNetworkStatus(SystemPermissionStatus::Unknown);
    test::runTask(vm.setDiscoveryModeEnabled(true));
    EXPECT_EQ(vm.inlinePermissionGuidanceState(), Guidance::Preflight);
    EXPECT_EQ(vm.permissionGuidanceConfiguration().has_value(), false);

    // The actions outlive the model harmlessly.
    test::runTask(vm.setDiscoveryModeEnabled(false));
    const std::optional<PermissionGuidanceConfiguration> orphan = vm.permissionGuidanceConfiguration();
    ASSERT_TRUE(orphan.has_value());
    model.reset();
    orphan->primaryAction();
    orphan->secondaryAction();
}

TEST_F(DiscoveryViewModelTest, EachRequestOperationClearsTheErrorAndNamesTheComputerWhenItFails)
{
    struct Row
    {
        const char *name;
        QCoro::Task<> (ConnectedMacsViewModel::*operation)(DiscoverableMac);
        QString call;
        QString log;
        QString error;
    };
    const Row rows[] = {
        {"request", &ConnectedMacsViewModel::requestConnection, QStringLiteral("send"),
         QStringLiteral("Requesting connection to: "), QStringLiteral("Failed to request connection to ")},
        {"accept", &ConnectedMacsViewModel::acceptConnection, QStringLiteral("accept"),
         QStringLiteral("Accepting connection request from: "), QStringLiteral("Failed to accept connection from ")},
        {"cancel", &ConnectedMacsViewModel::cancelConnection, QStringLiteral("cancel"),
         QStringLiteral("Cancelling connection request to: "), QStringLiteral("Failed to cancel connection to ")},
        {"reject", &ConnectedMacsViewModel::rejectConnection, QStringLiteral("reject"),
         QStringLiteral("Rejecting connection request from: "), QStringLiteral("Failed to reject connection from ")},
    };
    const DiscoverableMac studio = PreviewFixtures::nearbyMac(1, QStringLiteral("Studio"), QStringLiteral("K7Q2ZX"));
    const QString id = studio.id().toString(QUuid::WithoutBraces).toUpper();
    ConnectedMacsViewModel &vm = make();
    for (const Row &row : rows) {
        SCOPED_TRACE(row.name);
        discovery->connectionRequestError.reset();
        discovery->removeError = StorageError::diskFull();
        test::runTask(vm.disconnectFromMac(PreviewFixtures::linkedMac(1, QStringLiteral("Old"))));
        ASSERT_TRUE(vm.errorMessage().has_value());
        logs->clear();

        test::runTask((vm.*row.operation)(studio));
        EXPECT_EQ(vm.errorMessage(), std::nullopt);
        EXPECT_EQ(discovery->calls.last(), row.call + QLatin1Char(' ') + id);
        EXPECT_EQ(logs->messages(LogLevel::Debug),
                  QStringList{row.log + QStringLiteral("Studio (id: ") + id + QLatin1Char(')')});

        discovery->connectionRequestError = MacDiscoveryError::connectionFailed(QStringLiteral("no answer"));
        test::runTask((vm.*row.operation)(studio));
        EXPECT_EQ(vm.errorMessage(),
                  row.error + QStringLiteral("\u2068Studio\u2069: The other computer could not be reached."));
    }
}

TEST_F(DiscoveryViewModelTest, TheRowShowsTheLatestRequestAndTheFirstOfEquallyLateOnes)
{
    const QList<DiscoverableMac> macs = PreviewFixtures::nearbyMacs();
    const QUuid studio = macs.at(0).id();
    const ConnectionRequest early
        = PreviewFixtures::request(studio, ConnectionRequestState::Rejected, ConnectionDirection::Outgoing, 0);
    const ConnectionRequest late
        = PreviewFixtures::request(studio, ConnectionRequestState::Pending, ConnectionDirection::Incoming, 30);
    const ConnectionRequest alsoLate
        = PreviewFixtures::request(studio, ConnectionRequestState::Pending, ConnectionDirection::Outgoing, 30);
    const ConnectionRequest otherComputer
        = PreviewFixtures::request(macs.at(1).id(), ConnectionRequestState::Pending, ConnectionDirection::Incoming, 90);
    discovery->setConnectionRequests({early, late, otherComputer, alsoLate});
    ConnectedMacsViewModel &vm = make();
    EXPECT_EQ(vm.getConnectionRequest(macs.at(0)), late);
    EXPECT_EQ(vm.getConnectionRequest(macs.at(2)), std::nullopt);
    EXPECT_TRUE(logs->contains(LogLevel::Debug, QStringLiteral("Connection request for Mac Studio found: pending")));
    EXPECT_TRUE(logs->contains(LogLevel::Debug,
                               QStringLiteral("No connection requests found for Mac ")
                                   + macs.at(2).id().toString(QUuid::WithoutBraces).toUpper()
                                   + QStringLiteral(" (Office)")));
}

// Derived values of the screen -------------------------------------------------------------------

TEST(DiscoveryModePresentationTest, EveryRowOfTheScreensStateTable)
{
    struct Row
    {
        const char *name;
        DiscoveryModePresentation::Inputs inputs;
        bool showsSwitch;
        bool switchOn;
        bool switchEnabled;
        QString badge;
        QString status;
        std::optional<QString> secondary;
        ThemeColor statusColor;
        Content content;
    };
    const QString active = QStringLiteral("Discovery is on until you leave this screen.");
    const QString waiting = QStringLiteral("Waiting for the Local Network check");
    const QString off = QStringLiteral("Local Network is off: avahi-daemon is not reachable");
    const QString finish = QStringLiteral("Finish the step below or cancel.");
    const QString turnOn = QStringLiteral("Turn it back on below, then finish turning Discovery Mode on.");
    const auto inputs = [](bool on, std::optional<Guidance> guidance, bool canEnable, bool code, bool card) {
        return DiscoveryModePresentation::Inputs{on, guidance, canEnable, code, card};
    };
    const QString none;
    const ThemeColor grey = ThemeColor::SecondaryText;
    const ThemeColor accent = ThemeColor::Accent;
    const Row rows[] = {
        {"idle", inputs(false, std::nullopt, true, false, false), true, false, true, none, none, std::nullopt, grey,
         Content::SetupSteps},
        {"preflight", inputs(false, Guidance::Preflight, true, false, true), false, true, true,
         QStringLiteral("Pending"), waiting, finish, grey, Content::GuidanceCard},
        {"denied", inputs(false, Guidance::DeniedRecovery, true, false, true), false, true, true,
         QStringLiteral("Network discovery is off"), off, turnOn, grey, Content::GuidanceCard},
        {"starting, stopping or error", inputs(false, std::nullopt, false, false, false), true, false, false, none,
         none, std::nullopt, grey, Content::SetupSteps},
        {"active", inputs(true, std::nullopt, true, true, false), true, true, true, none, active, std::nullopt, accent,
         Content::ActiveSection},
        {"active before its code", inputs(true, std::nullopt, true, false, false), true, true, true, none, active,
         std::nullopt, accent, Content::SetupSteps},
        {"active with a card still raised", inputs(true, Guidance::Preflight, true, true, false), true, true, true,
         none, active, finish, accent, Content::ActiveSection},
    };
    for (const Row &row : rows) {
        SCOPED_TRACE(row.name);
        const DiscoveryModePresentation shown = DiscoveryModePresentation::of(row.inputs);
        EXPECT_EQ(shown.showsSwitch, row.showsSwitch);
        EXPECT_EQ(shown.switchOn, row.switchOn);
        EXPECT_EQ(shown.switchEnabled, row.switchEnabled);
        EXPECT_EQ(shown.badgeText, row.badge);
        EXPECT_EQ(shown.showsStatus, !row.status.isEmpty());
        EXPECT_EQ(shown.statusText, row.status);
        EXPECT_EQ(shown.secondaryStatusText, row.secondary);
        EXPECT_EQ(shown.statusColor, row.statusColor);
        EXPECT_EQ(shown.content, row.content);
    }
}

TEST(DiscoveredMacRowPresentationTest, ColourAndButtonsFollowTheRequest)
{
    using Action = DiscoveredMacRowPresentation::Action;
    using State = ConnectionRequestState;
    using Direction = ConnectionDirection;
    const DiscoverableMac mac = PreviewFixtures::nearbyMac(1, QStringLiteral("Studio"), QStringLiteral("K7Q2ZX"));
    struct Row
    {
        const char *name;
        std::optional<ConnectionRequest> request;
        ThemeColor accent;
        bool controls;
        bool dual;
        Action action;
        std::optional<QString> title;
        QString badge;
    };
    const Row rows[] = {
        {"none", std::nullopt, ThemeColor::Accent, true, false, Action::Request, QStringLiteral("Connect"),
         QStringLiteral("Ready to Connect")},
        // A request that never left its first state sends one, as for none.
        {"state none", requestWith(mac, State::None), ThemeColor::Accent, true, false, Action::Request,
         QStringLiteral("Connect"), QStringLiteral("Ready to Connect")},
        {"pending outgoing", requestWith(mac, State::Pending), ThemeColor::Accent, true, false, Action::Cancel,
         QStringLiteral("Cancel"), QStringLiteral("Waiting…")},
        {"pending incoming", requestWith(mac, State::Pending, Direction::Incoming), ThemeColor::Orange, true, true,
         Action::None, QStringLiteral("Accept"), QStringLiteral("Incoming")},
        {"connected", requestWith(mac, State::Connected), ThemeColor::Green, false, false, Action::None, std::nullopt,
         QStringLiteral("Connected")},
        {"rejected outgoing", requestWith(mac, State::Rejected), ThemeColor::Red, false, false, Action::None,
         std::nullopt, QStringLiteral("Declined")},
        {"rejected incoming", requestWith(mac, State::Rejected, Direction::Incoming), ThemeColor::Red, false, false,
         Action::None, std::nullopt, QStringLiteral("Discarded")},
    };
    for (const Row &row : rows) {
        SCOPED_TRACE(row.name);
        const DiscoveredMacRowPresentation shown = DiscoveredMacRowPresentation::of(mac, row.request);
        EXPECT_EQ(shown.accentColor, row.accent);
        EXPECT_EQ(shown.showsActionControls, row.controls);
        EXPECT_EQ(shown.showsDualButton, row.dual);
        EXPECT_EQ(shown.action, row.action);
        EXPECT_EQ(ConnectionActionButton::titleFor(row.request), row.title);
        EXPECT_EQ(ConnectionStatusBadge::contentFor(row.request).text, row.badge);
        EXPECT_EQ(ConnectionActionDualButton::isEnabledFor(row.request), row.dual);
    }
    EXPECT_EQ(ConnectionStatusBadge::contentFor(std::nullopt).accessibleText, QStringLiteral("Ready to connect"));
    EXPECT_EQ(ConnectionStatusBadge::contentFor(requestWith(mac, State::Pending)).accessibleText,
              QStringLiteral("Waiting for connection acceptance"));
    EXPECT_EQ(ConnectionActionButton::hintFor(QStringLiteral("Accept")), QStringLiteral("Tap to accept"));
    EXPECT_EQ(
        DiscoveredMacRowPresentation::of(PreviewFixtures::nearbyMac(2, {}, QStringLiteral("K7Q2ZX")), std::nullopt)
            .name,
        QStringLiteral("Unknown computer"));
}

TEST(DiscoveredMacRowPresentationTest, AComputerWithoutACodeToCompareIsNotOfferedForLinking)
{
    using State = ConnectionRequestState;
    for (const std::optional<QString> &code :
         {std::optional<QString>(QString()), std::optional<QString>(QStringLiteral("   ")), std::optional<QString>()}) {
        const DiscoverableMac mac = PreviewFixtures::nearbyMac(1, QStringLiteral("Studio"), code);
        SCOPED_TRACE(code ? "\"" + code->toStdString() + "\"" : "no code");
        const DiscoveredMacRowPresentation none = DiscoveredMacRowPresentation::of(mac, std::nullopt);
        EXPECT_EQ(none.securityCode, std::nullopt);
        EXPECT_EQ(none.unavailableCodeText, code ? QStringLiteral("—") : QStringLiteral("Unavailable"));
        EXPECT_FALSE(none.showsActionControls);
        EXPECT_FALSE(DiscoveredMacRowPresentation::of(mac, requestWith(mac, State::None)).showsActionControls);
        // What the other computer asked for can still be answered, and an own request withdrawn.
        const auto incoming
            = DiscoveredMacRowPresentation::of(mac, requestWith(mac, State::Pending, ConnectionDirection::Incoming));
        EXPECT_TRUE(incoming.showsDualButton);
        EXPECT_EQ(DiscoveredMacRowPresentation::of(mac, requestWith(mac, State::Pending)).action,
                  DiscoveredMacRowPresentation::Action::Cancel);
    }
}

// The screen -------------------------------------------------------------------------------------

TEST_F(DiscoveryScreenTest, ShowsWhatItsStateTableSays)
{
    struct Row
    {
        const char *name;
        bool active;
        std::optional<Guidance> guidance;
        bool canEnable;
        bool withCode;
    };
    const Row rows[] = {
        {"idle", false, std::nullopt, true, false},
        {"preflight", false, Guidance::Preflight, true, false},
        {"denied", false, Guidance::DeniedRecovery, true, false},
        {"busy", false, std::nullopt, false, false},
        {"active", true, std::nullopt, true, true},
        {"active before its code", true, std::nullopt, true, false},
    };
    for (const Row &row : rows) {
        SCOPED_TRACE(row.name);
        show(row.active, row.guidance, row.canEnable, row.withCode);
        const DiscoveryModePresentation expected = DiscoveryModePresentation::of(
            {row.active, row.guidance, row.canEnable, row.withCode, model.configuration.has_value()});
        EXPECT_EQ(view.presentation(), expected);
        EXPECT_EQ(!view.discoverySwitch()->isHidden(), expected.showsSwitch);
        EXPECT_EQ(view.discoverySwitch()->isChecked(), expected.switchOn);
        EXPECT_EQ(view.discoverySwitch()->isEnabled(), expected.switchEnabled);
        EXPECT_EQ(view.flowBadge()->isVisibleTo(&view), !expected.showsSwitch);
        EXPECT_EQ(view.flowBadge()->text(), expected.badgeText);
        EXPECT_EQ(view.statusLine()->isVisibleTo(&view), expected.showsStatus);
        EXPECT_EQ(view.statusLabel()->fullText(), expected.statusText);
        EXPECT_EQ(view.secondaryStatusLabel()->isVisibleTo(&view), expected.secondaryStatusText.has_value());
        EXPECT_EQ(view.activeSection()->isVisibleTo(&view), expected.content == Content::ActiveSection);
        EXPECT_EQ(view.guidanceCard()->isVisibleTo(&view), expected.content == Content::GuidanceCard);
        EXPECT_EQ(view.setupSteps()->isVisibleTo(&view), expected.content == Content::SetupSteps);
        if (expected.content == Content::GuidanceCard) {
            EXPECT_EQ(view.guidanceCard()->titleLabel()->fullText(), model.configuration->title);
        }
        if (expected.content == Content::ActiveSection) {
            EXPECT_EQ(view.securityCodeView()->code(), kCode.code());
        }
    }
}

TEST_F(DiscoveryScreenTest, TheSwitchAsksTheModelAndShowsOnlyWhatTheModelSays)
{
    show(false, std::nullopt, true);
    QTest::mouseClick(view.discoverySwitch(), Qt::LeftButton);
    EXPECT_EQ(model.calls, QStringList{QStringLiteral("setDiscoveryModeEnabled true")});
    EXPECT_FALSE(view.discoverySwitch()->isChecked()) << "it moves once Discovery Mode runs";

    show(true, std::nullopt, true);
    EXPECT_TRUE(view.discoverySwitch()->isChecked());
    model.calls.clear();
    QTest::mouseClick(view.discoverySwitch(), Qt::LeftButton);
    EXPECT_EQ(model.calls, QStringList{QStringLiteral("setDiscoveryModeEnabled false")});

    // Rendering again never counts as the user's change.
    model.calls.clear();
    show(false, std::nullopt, true);
    show(true, std::nullopt, true);
    EXPECT_TRUE(model.calls.isEmpty());

    show(false, std::nullopt, false);
    QTest::mouseClick(view.discoverySwitch(), Qt::LeftButton);
    EXPECT_TRUE(model.calls.isEmpty()) << "disabled while the service is busy";
}

TEST_F(DiscoveryScreenTest, NearbyCountAndRowsKeptPerComputer)
{
    const QList<DiscoverableMac> macs = PreviewFixtures::nearbyMacs();
    NearbyMacsSectionView *nearby = view.nearbySection();
    show(true, std::nullopt, true);
    EXPECT_EQ(nearby->countLabel()->fullText(), QStringLiteral("Searching"));
    EXPECT_TRUE(nearby->emptyState()->isVisibleTo(nearby));
    EXPECT_TRUE(nearby->rows().isEmpty());

    model.macs = {macs.at(0)};
    model.publish();
    EXPECT_EQ(nearby->countLabel()->fullText(), QStringLiteral("1 computer"));
    EXPECT_FALSE(nearby->emptyState()->isVisibleTo(nearby));
    DiscoveredMacRow *studio = nearby->rows().first();

    model.macs = macs;
    model.publish();
    EXPECT_EQ(nearby->countLabel()->fullText(), QStringLiteral("3 computers"));
    EXPECT_EQ(nearby->rows().first(), studio) << "the row is reused";

    model.macs = {macs.at(2), macs.at(0)};
    model.publish();
    EXPECT_EQ(nearby->rows().last(), studio);
    EXPECT_EQ(nearby->rows().first()->nameLabel()->fullText(), QStringLiteral("Office"));
}

TEST_F(DiscoveryScreenTest, EachRowsControlsFollowItsRequestAndActOnItsComputer)
{
    using State = ConnectionRequestState;
    const QList<DiscoverableMac> macs = PreviewFixtures::nearbyMacs();
    model.macs = macs;
    show(true, std::nullopt, true);
    DiscoveredMacRow *row = view.nearbySection()->rows().first();
    struct Step
    {
        const char *name;
        std::optional<ConnectionRequest> request;
        QString click; // "single", "accept", "reject" or nothing
        QString call;
    };
    const Step steps[] = {
        {"none", std::nullopt, QStringLiteral("single"), QStringLiteral("request Studio")},
        {"state none", requestWith(macs.at(0), State::None), QStringLiteral("single"),
         QStringLiteral("request Studio")},
        {"pending outgoing", requestWith(macs.at(0), State::Pending), QStringLiteral("single"),
         QStringLiteral("cancel Studio")},
        {"pending incoming, accepted", requestWith(macs.at(0), State::Pending, ConnectionDirection::Incoming),
         QStringLiteral("accept"), QStringLiteral("accept Studio")},
        {"pending incoming, rejected", requestWith(macs.at(0), State::Pending, ConnectionDirection::Incoming),
         QStringLiteral("reject"), QStringLiteral("reject Studio")},
        {"connected", requestWith(macs.at(0), State::Connected), {}, {}},
        {"rejected", requestWith(macs.at(0), State::Rejected), {}, {}},
    };
    for (const Step &step : steps) {
        SCOPED_TRACE(step.name);
        model.requests = step.request ? QList<ConnectionRequest>{*step.request} : QList<ConnectionRequest>{};
        model.publish();
        model.calls.clear();
        const DiscoveredMacRowPresentation &shown = row->presentation();
        EXPECT_EQ(shown, DiscoveredMacRowPresentation::of(macs.at(0), step.request));
        EXPECT_EQ(row->actionButton()->isVisibleTo(row), shown.showsActionControls && !shown.showsDualButton);
        EXPECT_EQ(row->dualButton()->isVisibleTo(row), shown.showsDualButton);
        EXPECT_EQ(row->statusBadge()->text(), ConnectionStatusBadge::contentFor(step.request).text);
        if (step.click == QStringLiteral("single")) {
            EXPECT_EQ(row->actionButton()->text(), ConnectionActionButton::titleFor(step.request));
            QTest::mouseClick(row->actionButton(), Qt::LeftButton);
        } else if (step.click == QStringLiteral("accept")) {
            QTest::mouseClick(row->dualButton()->acceptButton(), Qt::LeftButton);
        } else if (step.click == QStringLiteral("reject")) {
            QTest::mouseClick(row->dualButton()->rejectButton(), Qt::LeftButton);
        }
        EXPECT_EQ(model.calls, step.call.isEmpty() ? QStringList() : QStringList{step.call});
    }
    // The other rows kept their own state.
    EXPECT_EQ(view.nearbySection()->rows().at(1)->actionButton()->text(), QStringLiteral("Connect"));
}

TEST_F(DiscoveryScreenTest, ABlankCodeShowsAsUnavailableWithoutConnectButCanStillBeAccepted)
{
    const DiscoverableMac blank = PreviewFixtures::nearbyMac(4, QStringLiteral("Attic"), QString());
    model.macs = {blank};
    show(true, std::nullopt, true);
    DiscoveredMacRow *row = view.nearbySection()->rows().first();
    EXPECT_FALSE(row->codeBadge()->isVisibleTo(row));
    EXPECT_TRUE(row->unavailableCodeLabel()->isVisibleTo(row));
    EXPECT_EQ(row->unavailableCodeLabel()->fullText(), QStringLiteral("—"));
    EXPECT_FALSE(row->actionButton()->isVisibleTo(row));

    model.requests = {*requestWith(blank, ConnectionRequestState::Pending, ConnectionDirection::Incoming)};
    model.publish();
    ASSERT_TRUE(row->dualButton()->isVisibleTo(row));
    QTest::mouseClick(row->dualButton()->acceptButton(), Qt::LeftButton);
    EXPECT_EQ(model.calls, QStringList{QStringLiteral("accept Attic")});
}

TEST_F(DiscoveryScreenTest, ButtonsAndRefreshFollowTheKeyWindow)
{
    const QList<DiscoverableMac> macs = PreviewFixtures::nearbyMacs();
    model.macs = macs;
    model.requests = {*requestWith(macs.at(1), ConnectionRequestState::Pending),
                      *requestWith(macs.at(2), ConnectionRequestState::Pending, ConnectionDirection::Incoming)};
    show(true, std::nullopt, true);
    const QList<DiscoveredMacRow *> rows = view.nearbySection()->rows();
    for (const bool key : {true, false}) {
        SCOPED_TRACE(key ? "key window" : "background window");
        KeyWindow::setOverride(&view, key);
        EXPECT_EQ(rows.at(0)->actionButton()->kind(),
                  key ? CapsuleButton::Kind::Prominent : CapsuleButton::Kind::Bordered);
        EXPECT_EQ(rows.at(1)->actionButton()->kind(), CapsuleButton::Kind::Bordered) << "Cancel never stands out";
        EXPECT_EQ(rows.at(2)->dualButton()->acceptButton()->kind(),
                  key ? CapsuleButton::Kind::Prominent : CapsuleButton::Kind::Bordered);
        EXPECT_EQ(rows.at(2)->dualButton()->rejectButton()->kind(), CapsuleButton::Kind::Bordered);
        const QColor refreshInk = view.securityCodeView()->refreshButton()->palette().color(QPalette::ButtonText);
        EXPECT_EQ(refreshInk, Theme::textColor(view.palette(), key ? ThemeColor::Accent : ThemeColor::SecondaryText));
        // The box is filled with the window's colour, where the raw accent reads too faintly.
        EXPECT_GE(Theme::contrastRatio(refreshInk, view.palette().color(QPalette::Window)), Theme::textContrast);
    }
    // Titles and actions stay as they are.
    EXPECT_EQ(rows.at(0)->actionButton()->text(), QStringLiteral("Connect"));
    QTest::mouseClick(rows.at(0)->actionButton(), Qt::LeftButton);
    EXPECT_EQ(model.calls, QStringList{QStringLiteral("request Studio")});
}

TEST_F(DiscoveryScreenTest, TheCodeShowsOneBoxPerSymbolAndRefreshAsksEveryTime)
{
    show(true, std::nullopt, true);
    model.code = SecurityCode(QStringLiteral("AABB11"), PreviewFixtures::now());
    model.publish();
    EXPECT_EQ(view.securityCodeView()->boxes().size(), 6);
    EXPECT_EQ(view.securityCodeView()->boxes().at(1)->accessibleName(), QStringLiteral("A"));
    model.code = SecurityCode(QString(), PreviewFixtures::now());
    model.publish();
    EXPECT_TRUE(view.securityCodeView()->boxes().isEmpty());
    QTest::mouseClick(view.securityCodeView()->refreshButton(), Qt::LeftButton);
    QTest::mouseClick(view.securityCodeView()->refreshButton(), Qt::LeftButton);
    EXPECT_EQ(model.calls,
              (QStringList{QStringLiteral("generateNewSecurityCode"), QStringLiteral("generateNewSecurityCode")}));
}

TEST_F(DiscoveryScreenTest, NamesFromOtherComputersAreShownAsTheyAre)
{
    model.macs = {PreviewFixtures::nearbyMac(1, QStringLiteral("<b>x</b>&y"), QStringLiteral("<i>C</i>"))};
    show(true, std::nullopt, true);
    DiscoveredMacRow *row = view.nearbySection()->rows().first();
    EXPECT_EQ(row->nameLabel()->textFormat(), Qt::PlainText);
    EXPECT_EQ(row->nameLabel()->fullText(), QStringLiteral("<b>x</b>&y"));
    EXPECT_EQ(row->accessibleName(), QStringLiteral("<b>x</b>&y"));
    EXPECT_EQ(row->codeBadge()->text(), QStringLiteral("<i>C</i>"));
}

// Pictures ---------------------------------------------------------------------------------------

TEST(DiscoveryScreenShots, EveryStateInLightAndDarkAtTwoWidthsAndHostileNames)
{
    const IconProviderPtr icons = std::make_shared<const IconProvider>();
    const QList<DiscoverableMac> macs = PreviewFixtures::nearbyMacs();
    const QList<DiscoverableMac> hostile{
        PreviewFixtures::nearbyMac(1, QStringLiteral("<b>Bold</b> &amp; <a href=\"x\">link</a>"),
                                   QStringLiteral("<i>C</i>")),
        PreviewFixtures::nearbyMac(2, QString(63, QLatin1Char('W')), QStringLiteral("HB35TR")),
        PreviewFixtures::nearbyMac(3, QStringLiteral("מחשב המשרד"), QStringLiteral("4MW9PA")),
        PreviewFixtures::nearbyMac(4, QStringLiteral("حاسوب المكتب"), std::nullopt),
        PreviewFixtures::nearbyMac(5, QStringLiteral("\u202EStudio PC"), QStringLiteral("K7Q2ZX")),
    };
    struct State
    {
        const char *name;
        bool active;
        std::optional<Guidance> guidance;
        bool withCode;
        QList<DiscoverableMac> nearby;
    };
    // "loading": Discovery Mode has started but has no code to show and has found nobody yet.
    const State states[] = {
        {"idle", false, std::nullopt, false, {}},
        {"preflight", false, Guidance::Preflight, false, {}},
        {"denied", false, Guidance::DeniedRecovery, false, {}},
        {"loading", true, std::nullopt, false, {}},
        {"searching", true, std::nullopt, true, {}},
        {"active", true, std::nullopt, true, macs},
    };
    const struct
    {
        const char *name;
        QPalette palette;
    } looks[] = {{"light", lightPalette()}, {"dark", darkPalette()}};
    struct Shot
    {
        QString name;
        State state;
        QPalette palette;
        int width;
    };
    QList<Shot> shots;
    for (const State &state : states) {
        for (const auto &[look, palette] : looks) {
            for (const int width : {480, 680}) {
                shots.append({QStringLiteral("discovery-%1-%2-%3")
                                  .arg(QLatin1String(state.name), QLatin1String(look))
                                  .arg(width),
                              state, palette, width});
            }
        }
    }
    // Narrower than any Settings window: the request's status moves below the code instead of cutting it.
    shots.append({QStringLiteral("discovery-active-light-360"), states[5], lightPalette(), 360});
    // The shared hostile names, every one of them asking to link: the security code and Accept beside each.
    QList<DiscoverableMac> asking;
    for (const QString &name : hostileNames()) {
        asking.append(PreviewFixtures::nearbyMac(20 + int(asking.size()), name, QStringLiteral("K7Q2ZX")));
    }
    for (const int width : {480, 680}) {
        shots.append({QStringLiteral("discovery-hostile-names-%1").arg(width),
                      {"hostile", true, std::nullopt, true, hostile},
                      lightPalette(),
                      width});
        shots.append({QStringLiteral("discovery-hostile-names-requests-%1").arg(width),
                      {"hostile requests", true, std::nullopt, true, asking},
                      lightPalette(),
                      width});
    }
    for (const Shot &shot : shots) {
        SCOPED_TRACE(shot.name.toStdString());
        FakeDiscoveryViewModel model;
        model.active = shot.state.active;
        model.guidance = shot.state.guidance;
        model.code = shot.state.withCode ? std::optional<SecurityCode>(kCode) : std::nullopt;
        model.macs = shot.state.nearby;
        if (qstrcmp(shot.state.name, "hostile requests") == 0) {
            for (const DiscoverableMac &mac : asking) {
                model.requests.append(
                    *requestWith(mac, ConnectionRequestState::Pending, ConnectionDirection::Incoming));
            }
        } else if (shot.state.nearby.size() > 2) {
            model.requests = {
                *requestWith(shot.state.nearby.at(1), ConnectionRequestState::Pending, ConnectionDirection::Incoming),
                *requestWith(shot.state.nearby.at(2), ConnectionRequestState::Pending)};
        }
        if (shot.state.guidance) {
            model.configuration = localNetworkCard(*shot.state.guidance);
        }
        QWidget window;
        window.setPalette(shot.palette);
        window.setAutoFillBackground(true);
        auto *layout = new QVBoxLayout(&window);
        layout->setContentsMargins(16, 16, 16, 16);
        auto *view = new DiscoveryModeView(&model, icons, &window);
        layout->addWidget(view);
        KeyWindow::setOverride(&window, true);
        showFitted(window, shot.width);
        saveShot(window, shot.name);
        EXPECT_EQ(hostileNameFaults(window), QStringList());
        // Nothing overlaps or spills out of its row.
        for (DiscoveredMacRow *row : view->nearbySection()->rows()) {
            for (QWidget *child : row->findChildren<QWidget *>(Qt::FindDirectChildrenOnly)) {
                if (child->isVisibleTo(row)) {
                    EXPECT_TRUE(row->rect().contains(child->geometry())) << child->metaObject()->className();
                }
            }
        }
    }
}
