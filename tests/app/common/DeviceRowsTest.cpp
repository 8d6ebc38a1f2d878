#include "common/DeviceInfoRow.h"
#include "common/DeviceRowCompact.h"

#include "kit/CapsuleButton.h"
#include "kit/Card.h"
#include "kit/IconView.h"
#include "kit/KeyedRowList.h"
#include "kit/TextLabel.h"
#include "kit/UntrustedText.h"

#include "support/HostileNames.h"
#include "support/PreviewFixtures.h"
#include "support/QtPrinters.h"
#include "support/Shots.h"
#include "support/TestPalettes.h"

#include <QSignalSpy>
#include <QTest>
#include <QVBoxLayout>

#include <gtest/gtest.h>

using namespace verandel;
using namespace verandel::test;

namespace {

using Control = DeviceRowPresentation::Control;

DeviceState stateOf(const QString &name, SharingStatus sharing, ConnectionStatus status, bool supported,
                    DeviceType type, int index = 1)
{
    return DeviceState(PreviewFixtures::device(index, name), status, sharing, supported, type);
}

const QString experimentalText = QStringLiteral(
    "This device may not yet be supported by Verandel. You can still allow transfer. If transfer fails, you may need "
    "to pair the device again manually.");
const QString experimentalTip
    = QStringLiteral("This device is experimental in Verandel and may not switch reliably between computers.");
const QString sharedTip = QStringLiteral("This device is allowed for transfer through Verandel.");
const QString localTip = QStringLiteral("Allow Verandel to transfer this paired device.");

} // namespace

TEST(DeviceRowsTest, EachVariantShowsItsIconStatusControlTextAndToolTip)
{
    struct Row
    {
        const char *name;
        DeviceState state;
        DeviceRowCompactMode mode;
        DeviceRowPresentation shown;
    };
    const Row rows[] = {
        {"shared connected keyboard in the allowed list",
         stateOf(QStringLiteral("Magic Keyboard"), SharingStatus::Shared, ConnectionStatus::Connected, true,
                 DeviceType::MagicKeyboard),
         DeviceRowCompactMode::Shared,
         {QStringLiteral("keyboard"), ThemeColor::PrimaryText, ThemeColor::Green, QStringLiteral("Connected"),
          Control::StopTransfer, std::nullopt, false, sharedTip}},
        {"local trackpad paired here, not connected",
         stateOf(QStringLiteral("Magic Trackpad"), SharingStatus::Local, ConnectionStatus::PairedNotConnected, true,
                 DeviceType::MagicTrackpad),
         DeviceRowCompactMode::Available,
         {QStringLiteral("trackpad"), ThemeColor::PrimaryText, ThemeColor::Orange,
          QStringLiteral("Paired, not connected"), Control::AllowTransfer,
          QStringLiteral("Paired on this computer, but not currently connected."), false, localTip}},
        {"local mouse not paired",
         stateOf(QStringLiteral("Magic Mouse"), SharingStatus::Local, ConnectionStatus::NotPaired, true,
                 DeviceType::MagicMouse),
         DeviceRowCompactMode::Available,
         {QStringLiteral("computermouse"), ThemeColor::PrimaryText, ThemeColor::SecondaryText,
          QStringLiteral("Not paired"), Control::AllowTransfer, QStringLiteral("Not paired with this computer yet."),
          false, localTip}},
        {"an experimental device: its text wins over the connection's",
         stateOf(QStringLiteral("MX Keys"), SharingStatus::Local, ConnectionStatus::PairedNotConnected, false,
                 DeviceType::Other),
         DeviceRowCompactMode::Available,
         {QStringLiteral("questionmark.circle"), ThemeColor::SecondaryText, ThemeColor::Orange,
          QStringLiteral("Paired, not connected"), Control::AllowAnyway, experimentalText, true, experimentalTip}},
        {"an available card of a device already allowed stops it",
         stateOf(QStringLiteral("Magic Keyboard"), SharingStatus::Shared, ConnectionStatus::Connected, true,
                 DeviceType::MagicKeyboard),
         DeviceRowCompactMode::Available,
         {QStringLiteral("keyboard"), ThemeColor::PrimaryText, ThemeColor::Green, QStringLiteral("Connected"),
          Control::StopTransfer, std::nullopt, false, sharedTip}},
        {"an allowed-list card of a local device stops it too",
         stateOf(QStringLiteral("Magic Keyboard"), SharingStatus::Local, ConnectionStatus::Connected, true,
                 DeviceType::MagicKeyboard),
         DeviceRowCompactMode::Shared,
         {QStringLiteral("keyboard"), ThemeColor::PrimaryText, ThemeColor::Green, QStringLiteral("Connected"),
          Control::StopTransfer, std::nullopt, false, localTip}},
    };
    for (const Row &row : rows) {
        SCOPED_TRACE(row.name);
        EXPECT_EQ(DeviceRowPresentation::make(row.state, row.mode), row.shown);

        DeviceRowCompact card(std::make_shared<const IconProvider>());
        card.setDeviceState(row.state, row.mode);
        EXPECT_EQ(card.button()->text(), DeviceRowPresentation::controlText(row.shown.control));
        EXPECT_EQ(card.toolTip(), UntrustedText::toolTip(row.shown.toolTip));
        EXPECT_EQ(card.supportingLabel()->fullText(), row.shown.supportingText.value_or(QString()));
        EXPECT_EQ(card.supportingLabel()->isVisibleTo(&card), row.shown.supportingText.has_value());
        EXPECT_EQ(card.supportingBox()->isVisibleTo(&card), row.shown.supportingTextBoxed);
        EXPECT_EQ(card.infoRow()->nameLabel()->fullText(), row.state.displayName());
    }
}

TEST(DeviceRowsTest, TheButtonAnnouncesItsChoiceAndIsDisabledWhileInteractionIs)
{
    DeviceRowCompact card(std::make_shared<const IconProvider>());
    QSignalSpy shares(&card, &DeviceRowCompact::shareClicked);
    QSignalSpy stops(&card, &DeviceRowCompact::stopSharingClicked);
    card.show();

    card.setDeviceState(
        stateOf(QStringLiteral("MX Keys"), SharingStatus::Local, ConnectionStatus::Connected, false, DeviceType::Other),
        DeviceRowCompactMode::Available);
    QTest::mouseClick(card.button(), Qt::LeftButton);
    // The same card, now of a shared device: kept and updated in place.
    card.setDeviceState(stateOf(QStringLiteral("MX Keys"), SharingStatus::Shared, ConnectionStatus::Connected, false,
                                DeviceType::Other),
                        DeviceRowCompactMode::Shared);
    EXPECT_EQ(card.button()->toolTip(), UntrustedText::toolTip(QStringLiteral("Stop transferring this device")));
    QTest::mouseClick(card.button(), Qt::LeftButton);
    card.setInteractionDisabled(true);
    QTest::mouseClick(card.button(), Qt::LeftButton);

    EXPECT_EQ(shares.count(), 1);
    EXPECT_EQ(stops.count(), 1);
    EXPECT_FALSE(card.button()->isEnabled());
    EXPECT_EQ(card.toolTip(), UntrustedText::toolTip(experimentalTip)) << "the texts stay while disabled";
}

TEST(DeviceRowsTest, AnIdentityRowWithoutStatusShowsOnlyIconAndName)
{
    DeviceInfoRow row(std::make_shared<const IconProvider>(), false);
    row.setDeviceState(stateOf(QStringLiteral("Magic Mouse"), SharingStatus::Shared, ConnectionStatus::Connected, true,
                               DeviceType::MagicMouse));
    EXPECT_EQ(row.statusLine(), nullptr);
    EXPECT_EQ(row.icon()->name(), QStringLiteral("computermouse"));
    EXPECT_EQ(row.nameLabel()->fullText(), QStringLiteral("Magic Mouse"));
}

// Device names come from nearby devices: markup stays text, a long name is shortened, a right-to-left
// name keeps its own direction but stays beside its icon.
TEST(DeviceRowsTest, PicturesOfHostileNamesInLightAndDark)
{
    const QString names[] = {
        QStringLiteral("<b>Keyboard</b> & <img src=x> AT&T"),
        QStringLiteral("Magic Keyboard with Touch ID and Numeric Keypad for Dana 012345"), // 63 bytes
        QStringLiteral("מקלדת הקסם של דנה"),
        QStringLiteral("لوحة مفاتيح سحرية"),
        QStringLiteral("\u202Eevil mouse"),
    };
    ASSERT_EQ(names[1].toUtf8().size(), 63);
    for (const auto &[palette, suffix] : {std::pair{lightPalette(), "light"}, {darkPalette(), "dark"}}) {
        QWidget window;
        window.setPalette(palette);
        auto *layout = new QVBoxLayout(&window);
        const auto icons = std::make_shared<const IconProvider>();
        auto *list = new KeyedRowList([&icons](const QString &) { return new DeviceRowCompact(icons); }, &window);
        QStringList keys;
        for (int i = 1; i <= 5; ++i) {
            keys.append(QString::number(i));
        }
        list->setKeys(keys);
        layout->addWidget(list);
        int index = 1;
        for (const QString &name : names) {
            auto *card = static_cast<DeviceRowCompact *>(list->row(QString::number(index)));
            const bool supported = index % 2 == 1;
            card->setDeviceState(
                stateOf(name, index == 1 ? SharingStatus::Shared : SharingStatus::Local,
                        index == 3 ? ConnectionStatus::Connected : ConnectionStatus::PairedNotConnected, supported,
                        supported ? DeviceType::MagicKeyboard : DeviceType::Other, index),
                index == 1 ? DeviceRowCompactMode::Shared : DeviceRowCompactMode::Available);
            ++index;
        }
        showFitted(window, 480);
        saveShot(window, QStringLiteral("device-rows-hostile-names-") + QLatin1String(suffix));
        EXPECT_EQ(hostileNameFaults(window, QStringList(std::begin(names), std::end(names))), QStringList());
    }
}
