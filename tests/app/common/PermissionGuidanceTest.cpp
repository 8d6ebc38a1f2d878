#include "common/PermissionGuidanceAppearance.h"
#include "common/PermissionGuidanceView.h"
#include "kit/CapsuleButton.h"
#include "kit/IconView.h"
#include "kit/TextLabel.h"
#include "kit/Theme.h"
#include "models/PermissionGuidanceCards.h"

#include "support/QtPrinters.h"
#include "support/Shots.h"
#include "support/TestPalettes.h"
#include "support/fakes/MockSystemPermissionChecker.h"

#include <QTest>

#include <gtest/gtest.h>

using namespace verandel;
using namespace verandel::test;

namespace {

constexpr int shotWidth = 440;

// Actions that only say which of them ran.
struct RecordedActions
{
    QStringList ran;
    PermissionGuidanceActions actions()
    {
        return {[this] { ran << QStringLiteral("proceed"); }, [this] { ran << QStringLiteral("dismiss"); },
                [this] { ran << QStringLiteral("openSettings"); }, [this] { ran << QStringLiteral("retry"); }};
    }
};

enum class CardKind { LocalNetwork, BluetoothDevices, BluetoothTransfer };

PermissionGuidanceConfiguration makeCard(CardKind kind, bool preflight, const PermissionGuidanceActions &actions)
{
    switch (kind) {
    case CardKind::LocalNetwork:
        return PermissionGuidanceCards::localNetwork(preflight ? DiscoveryPermissionGuidanceState::Preflight
                                                               : DiscoveryPermissionGuidanceState::DeniedRecovery,
                                                     actions);
    case CardKind::BluetoothDevices:
        return PermissionGuidanceCards::bluetoothDevices(preflight ? BluetoothPermissionGuidanceState::Preflight
                                                                   : BluetoothPermissionGuidanceState::DeniedRecovery,
                                                         actions);
    case CardKind::BluetoothTransfer:
        return PermissionGuidanceCards::bluetoothTransfer(preflight ? BluetoothPermissionGuidanceState::Preflight
                                                                    : BluetoothPermissionGuidanceState::DeniedRecovery,
                                                          actions);
    }
    return {};
}

PermissionGuidanceConfiguration limitedCard(const PermissionGuidanceActions &actions)
{
    return {QStringLiteral("Bluetooth works with limits"),
            QStringLiteral("Verandel can list paired devices but can’t pair new ones on this computer."),
            QStringLiteral("Pairing needs a Bluetooth adapter that bluetoothd offers to you."),
            PermissionGuidanceStyle::LimitedFunctionality,
            QStringLiteral("Open Bluetooth Settings"),
            actions.openSettings,
            QStringLiteral("Check Again"),
            actions.retry};
}

} // namespace

TEST(PermissionGuidanceCardsTest, ACardShowsWhileAccessIsUndecidedOrRefused)
{
    struct Row
    {
        SystemPermissionStatus status;
        std::optional<DiscoveryPermissionGuidanceState> localNetwork;
        std::optional<BluetoothPermissionGuidanceState> bluetooth;
    };
    const Row rows[] = {
        {SystemPermissionStatus::Unknown, DiscoveryPermissionGuidanceState::Preflight,
         BluetoothPermissionGuidanceState::Preflight},
        {SystemPermissionStatus::Denied, DiscoveryPermissionGuidanceState::DeniedRecovery,
         BluetoothPermissionGuidanceState::DeniedRecovery},
        {SystemPermissionStatus::Authorized, std::nullopt, std::nullopt},
    };
    MockSystemPermissionChecker checker;
    for (const Row &row : rows) {
        SCOPED_TRACE(toString(row.status).toStdString());
        checker.simulateLocalNetworkStatus(row.status);
        checker.simulateBluetoothStatus(row.status);
        EXPECT_EQ(PermissionGuidanceCards::localNetworkState(checker.localNetworkStatus()), row.localNetwork);
        EXPECT_EQ(PermissionGuidanceCards::bluetoothState(checker.bluetoothStatus()), row.bluetooth);
    }
}

TEST(PermissionGuidanceCardsTest, TextsStyleAndWhatEachButtonDoes)
{
    struct Row
    {
        const char *name;
        CardKind kind;
        bool preflight;
        QString title;
        QString message;
        QString detail;
        PermissionGuidanceStyle style;
        QString primaryTitle;
        QString primaryRuns;
        QString secondaryTitle;
        QString secondaryRuns;
    };
    const QString cont = QStringLiteral("Continue");
    const QString cancel = QStringLiteral("Cancel");
    const QString enabled = QStringLiteral("I've Enabled It");
    const QString proceed = QStringLiteral("proceed");
    const QString dismiss = QStringLiteral("dismiss");
    const QString open = QStringLiteral("openSettings");
    const QString retry = QStringLiteral("retry");
    const Row rows[] = {
        {"local network, preflight", CardKind::LocalNetwork, true, QStringLiteral("Allow Local Network"),
         QStringLiteral("Verandel uses the local network service (avahi-daemon) to find nearby computers."),
         QStringLiteral("Continue and Verandel checks that avahi-daemon is reachable."),
         PermissionGuidanceStyle::Informational, cont, proceed, cancel, dismiss},
        {"local network, denied",
         CardKind::LocalNetwork,
         false,
         QStringLiteral("Turn Local Network back on"),
         QStringLiteral("Verandel can’t discover nearby computers until avahi-daemon is reachable again."),
         // No settings panel starts avahi-daemon: the card says what does, and offers a new check only.
         QStringLiteral("The local network service (avahi-daemon) is off or not installed. An administrator can "
                        "install it and run “systemctl enable --now avahi-daemon”, then check again."),
         PermissionGuidanceStyle::Denied,
         QStringLiteral("Check Again"),
         retry,
         {},
         {}},
        {"bluetooth devices, preflight", CardKind::BluetoothDevices, true, QStringLiteral("Allow Bluetooth"),
         QStringLiteral("Verandel needs Bluetooth access to read paired devices and move control between linked "
                        "computers."),
         QStringLiteral("Continue and Verandel checks Bluetooth access again. Verandel runs Bluetooth actions only "
                        "after access is allowed."),
         PermissionGuidanceStyle::Informational, cont, proceed, cancel, dismiss},
        {"bluetooth devices, denied", CardKind::BluetoothDevices, false,
         QStringLiteral("Turn Bluetooth access back on"),
         QStringLiteral("Verandel can’t refresh or transfer Bluetooth devices until Bluetooth access is enabled "
                        "again."),
         QStringLiteral("Open Bluetooth Settings, make sure Bluetooth is on and available to you, then come back and "
                        "refresh devices again."),
         PermissionGuidanceStyle::Denied, QStringLiteral("Open Bluetooth Settings"), open, enabled, retry},
        {"bluetooth transfer, preflight", CardKind::BluetoothTransfer, true, QStringLiteral("Allow Bluetooth"),
         QStringLiteral("Verandel needs Bluetooth access before it can move device control during a transfer."),
         QStringLiteral("Continue and Verandel checks Bluetooth access again. Control actions start only after access "
                        "is allowed."),
         PermissionGuidanceStyle::Informational, cont, proceed, cancel, dismiss},
        {"bluetooth transfer, denied", CardKind::BluetoothTransfer, false,
         QStringLiteral("Turn Bluetooth access back on"),
         QStringLiteral("Verandel can’t move device control until Bluetooth access is enabled again."),
         QStringLiteral("Open Bluetooth Settings, make sure Bluetooth is on and available to you, then come back and "
                        "start control transfer again."),
         PermissionGuidanceStyle::Denied, QStringLiteral("Open Bluetooth Settings"), open, enabled, retry},
    };
    for (const Row &row : rows) {
        SCOPED_TRACE(row.name);
        RecordedActions recorded;
        const PermissionGuidanceConfiguration card = makeCard(row.kind, row.preflight, recorded.actions());
        EXPECT_EQ(card.title, row.title);
        EXPECT_EQ(card.message, row.message);
        EXPECT_EQ(card.detail, row.detail);
        EXPECT_EQ(card.style, row.style);
        EXPECT_EQ(card.primaryActionTitle, row.primaryTitle);
        EXPECT_EQ(card.secondaryActionTitle.value_or(QString()), row.secondaryTitle);
        EXPECT_EQ(static_cast<bool>(card.secondaryAction), !row.secondaryTitle.isEmpty());
        card.primaryAction();
        if (card.secondaryAction) {
            card.secondaryAction();
        }
        QStringList ran{row.primaryRuns, row.secondaryRuns};
        ran.removeAll(QString());
        EXPECT_EQ(recorded.ran, ran);
    }
}

TEST(PermissionGuidanceAppearanceTest, EachStyleChoosesSymbolColourAndCard)
{
    struct Row
    {
        PermissionGuidanceStyle style;
        QString iconName;
        ThemeColor iconColor;
        CardLook look;
    };
    const Row rows[] = {
        {PermissionGuidanceStyle::Informational, QStringLiteral("info.circle.fill"), ThemeColor::Accent,
         CardLook{ThemeTint{ThemeColor::CardBackground}, ThemeTint{ThemeColor::Separator}}},
        // Refused access is something to act on: the warning tint, not a greyed card.
        {PermissionGuidanceStyle::Denied, QStringLiteral("gearshape.fill"), ThemeColor::Orange,
         CardLook{ThemeTint{ThemeColor::Orange, 0.06}, ThemeTint{ThemeColor::Orange, 0.18}}},
        {PermissionGuidanceStyle::LimitedFunctionality, QStringLiteral("minus.circle.fill"), ThemeColor::Orange,
         CardLook{ThemeTint{ThemeColor::Orange, 0.06}, ThemeTint{ThemeColor::Orange, 0.18}}},
    };
    const IconProvider icons;
    for (const Row &row : rows) {
        SCOPED_TRACE(row.iconName.toStdString());
        PermissionGuidanceConfiguration configuration;
        configuration.style = row.style;
        const PermissionGuidanceAppearance appearance = PermissionGuidanceAppearance::of(configuration);
        EXPECT_EQ(appearance.iconName, row.iconName);
        EXPECT_TRUE(icons.contains(appearance.iconName));
        EXPECT_EQ(appearance.iconColor, row.iconColor);
        EXPECT_TRUE(appearance.cardLook == row.look);
    }
}

TEST(PermissionGuidanceAppearanceTest, OptionalRowsShowOnlyWhenComplete)
{
    const auto action = [] {};
    struct Row
    {
        const char *name;
        std::optional<QString> detail;
        std::optional<QString> secondaryTitle;
        std::function<void()> secondaryAction;
        bool showsDetail;
        bool showsSecondary;
    };
    const Row rows[] = {
        {"everything", QStringLiteral("d"), QStringLiteral("Cancel"), action, true, true},
        {"no detail", std::nullopt, QStringLiteral("Cancel"), action, false, true},
        {"empty detail", QString(), QStringLiteral("Cancel"), action, false, true},
        {"secondary title without action", QStringLiteral("d"), QStringLiteral("Cancel"), {}, true, false},
        {"secondary action without title", QStringLiteral("d"), std::nullopt, action, true, false},
        {"secondary with an empty title", QStringLiteral("d"), QString(), action, true, false},
    };
    for (const Row &row : rows) {
        SCOPED_TRACE(row.name);
        PermissionGuidanceConfiguration configuration;
        configuration.detail = row.detail;
        configuration.secondaryActionTitle = row.secondaryTitle;
        configuration.secondaryAction = row.secondaryAction;
        const PermissionGuidanceAppearance appearance = PermissionGuidanceAppearance::of(configuration);
        EXPECT_EQ(appearance.showsDetail, row.showsDetail);
        EXPECT_EQ(appearance.showsSecondaryButton, row.showsSecondary);
    }
}

class PermissionGuidanceViewTest : public ::testing::Test
{
protected:
    IconProviderPtr icons = std::make_shared<const IconProvider>();
    PermissionGuidanceView view{icons};
    RecordedActions recorded;
};

TEST_F(PermissionGuidanceViewTest, ShowsItsConfigurationAndRunsItsActionsEveryClick)
{
    view.setConfiguration(makeCard(CardKind::LocalNetwork, true, recorded.actions()));

    EXPECT_EQ(view.titleLabel()->text(), QStringLiteral("Allow Local Network"));
    EXPECT_EQ(view.messageLabel()->text(), makeCard(CardKind::LocalNetwork, true, {}).message);
    EXPECT_FALSE(view.detailLabel()->isHidden());
    EXPECT_EQ(view.iconView()->name(), QStringLiteral("info.circle.fill"));
    EXPECT_EQ(view.primaryButton()->text(), QStringLiteral("Continue"));
    EXPECT_EQ(view.primaryButton()->kind(), CapsuleButton::Kind::Prominent);
    EXPECT_EQ(view.secondaryButton()->text(), QStringLiteral("Cancel"));
    EXPECT_FALSE(view.secondaryButton()->isHidden());
    EXPECT_EQ(view.accessibleName(), QStringLiteral("Allow Local Network"));

    QTest::mouseClick(view.primaryButton(), Qt::LeftButton);
    QTest::mouseClick(view.primaryButton(), Qt::LeftButton);
    QTest::mouseClick(view.secondaryButton(), Qt::LeftButton);
    EXPECT_EQ(recorded.ran,
              (QStringList{QStringLiteral("proceed"), QStringLiteral("proceed"), QStringLiteral("dismiss")}));
}

TEST_F(PermissionGuidanceViewTest, ANewConfigurationReusesTheSameWidgets)
{
    view.setConfiguration(makeCard(CardKind::LocalNetwork, true, recorded.actions()));
    const auto widgets = view.findChildren<QWidget *>();

    PermissionGuidanceConfiguration bare;
    bare.title = QStringLiteral("Allow Bluetooth");
    bare.message = QStringLiteral("m");
    bare.style = PermissionGuidanceStyle::Denied;
    bare.primaryActionTitle = QStringLiteral("Open Bluetooth Settings");
    bare.primaryAction = recorded.actions().openSettings;
    bare.secondaryActionTitle = QStringLiteral("I've Enabled It"); // without its action: no button
    view.setConfiguration(bare);

    EXPECT_EQ(view.findChildren<QWidget *>(), widgets);
    EXPECT_TRUE(view.detailLabel()->isHidden()); // heading, message, buttons
    EXPECT_TRUE(view.secondaryButton()->isHidden());
    EXPECT_EQ(view.iconView()->name(), QStringLiteral("gearshape.fill"));
    EXPECT_TRUE(view.look() == PermissionGuidanceAppearance::of(bare).cardLook);
}

TEST_F(PermissionGuidanceViewTest, AnActionMayReplaceTheCardsConfiguration)
{
    // "Cancel" typically hands the card something new; the running action must survive that.
    PermissionGuidanceConfiguration first = makeCard(CardKind::BluetoothDevices, true, recorded.actions());
    first.secondaryAction = [this] {
        view.setConfiguration(makeCard(CardKind::BluetoothDevices, false, recorded.actions()));
        recorded.ran << QStringLiteral("replaced");
    };
    view.setConfiguration(first);

    QTest::mouseClick(view.secondaryButton(), Qt::LeftButton);
    EXPECT_EQ(recorded.ran, QStringList{QStringLiteral("replaced")});
    EXPECT_EQ(view.titleLabel()->text(), QStringLiteral("Turn Bluetooth access back on"));
    QTest::mouseClick(view.secondaryButton(), Qt::LeftButton);
    EXPECT_EQ(recorded.ran, (QStringList{QStringLiteral("replaced"), QStringLiteral("retry")}));
}

TEST_F(PermissionGuidanceViewTest, TextsAreShownAsPlainText)
{
    PermissionGuidanceConfiguration configuration;
    configuration.title = QStringLiteral("<b>x</b>&y");
    configuration.message = QStringLiteral("<i>m</i>");
    configuration.detail = QStringLiteral("<a href=\"x\">d</a>");
    view.setConfiguration(configuration);
    for (TextLabel *label : {view.titleLabel(), view.messageLabel(), view.detailLabel()}) {
        EXPECT_EQ(label->textFormat(), Qt::PlainText);
    }
    EXPECT_EQ(view.titleLabel()->text(), QStringLiteral("<b>x</b>&y"));
}

TEST_F(PermissionGuidanceViewTest, ShotsOfTheThreeStylesAndTheBluetoothCards)
{
    struct Shot
    {
        const char *name;
        PermissionGuidanceConfiguration configuration;
        QPalette palette;
        int width = shotWidth;
    };
    const Shot shots[] = {
        {"permission-informational-local-network", makeCard(CardKind::LocalNetwork, true, recorded.actions()),
         lightPalette()},
        {"permission-denied-local-network", makeCard(CardKind::LocalNetwork, false, recorded.actions()),
         lightPalette()},
        {"permission-limited", limitedCard(recorded.actions()), lightPalette()},
        {"permission-informational-bluetooth", makeCard(CardKind::BluetoothDevices, true, recorded.actions()),
         lightPalette()},
        {"permission-denied-bluetooth", makeCard(CardKind::BluetoothTransfer, false, recorded.actions()),
         lightPalette()},
        {"permission-informational-dark", makeCard(CardKind::BluetoothDevices, true, recorded.actions()),
         darkPalette()},
        {"permission-denied-dark", makeCard(CardKind::LocalNetwork, false, recorded.actions()), darkPalette()},
        {"permission-limited-dark", limitedCard(recorded.actions()), darkPalette()},
        // As narrow as the Control Center's column.
        {"permission-denied-narrow", makeCard(CardKind::BluetoothTransfer, false, recorded.actions()), lightPalette(),
         300},
    };
    for (const Shot &shot : shots) {
        QWidget window;
        window.setPalette(shot.palette);
        window.setAutoFillBackground(true);
        auto *card = new PermissionGuidanceView(icons, &window);
        card->setConfiguration(shot.configuration);
        card->setFixedWidth(shot.width);
        card->setFixedHeight(card->heightForWidth(shot.width));
        window.resize(shot.width, card->height());
        saveShot(window, QString::fromLatin1(shot.name));
        // Both buttons whole, apart, and inside the card, however narrow it is.
        const QRect primary = card->primaryButton()->geometry();
        EXPECT_TRUE(card->contentsRect().contains(primary)) << shot.name;
        if (card->secondaryButton()->isVisibleTo(card)) {
            const QRect secondary = card->secondaryButton()->geometry();
            EXPECT_FALSE(primary.intersects(secondary)) << shot.name;
            EXPECT_TRUE(card->contentsRect().contains(secondary)) << shot.name;
            EXPECT_EQ(secondary.width(), card->secondaryButton()->sizeHint().width()) << shot.name;
        }
        // Every wrapped line whole, and readable on the card's tint.
        const QColor fill = Theme::over(
            Theme::color(shot.palette, PermissionGuidanceAppearance::of(shot.configuration).cardLook.fill),
            shot.palette.color(QPalette::Window));
        for (TextLabel *label : {card->titleLabel(), card->messageLabel(), card->detailLabel()}) {
            EXPECT_GE(label->height(), label->heightForWidth(label->width())) << shot.name;
            EXPECT_GE(Theme::contrastRatio(label->palette().color(QPalette::WindowText), fill), Theme::textContrast)
                << shot.name;
        }
    }
}
