#include "kit/Banner.h"
#include "kit/CapsuleBadge.h"
#include "kit/CapsuleButton.h"
#include "kit/Card.h"
#include "kit/IconView.h"
#include "kit/Metrics.h"
#include "kit/TextLabel.h"
#include "kit/Theme.h"
#include "kit/ToggleSwitch.h"
#include "kit/UntrustedText.h"

#include "support/QtPrinters.h"
#include "support/Shots.h"
#include "support/TestPalettes.h"

#include <QHBoxLayout>
#include <QSignalSpy>
#include <QTest>
#include <QToolButton>
#include <QVBoxLayout>

#include <gtest/gtest.h>

using namespace verandel;
using namespace verandel::test;

namespace {

const QString peerName = QStringLiteral("<b>x</b>&y");

// A window-coloured surface to lay kit pieces on for a picture.
class Surface : public QWidget
{
public:
    explicit Surface(const QPalette &palette = lightPalette())
    {
        setPalette(palette);
        setAutoFillBackground(true);
        m_layout = new QVBoxLayout(this);
        m_layout->setContentsMargins(16, 16, 16, 16);
        m_layout->setSpacing(10);
    }
    QHBoxLayout *addRow()
    {
        auto *row = new QHBoxLayout;
        row->setSpacing(10);
        m_layout->addLayout(row);
        return row;
    }
    void addWidget(QWidget *widget) { m_layout->addWidget(widget); }

private:
    QVBoxLayout *m_layout;
};

class KitWidgetsTest : public ::testing::Test
{
protected:
    IconProviderPtr icons = std::make_shared<const IconProvider>();
};

} // namespace

TEST_F(KitWidgetsTest, ToggleSwitchTogglesByClickAndKeyOnlyWhileEnabled)
{
    ToggleSwitch toggle;
    toggle.setAccessibleName(QStringLiteral("Discovery Mode"));
    QSignalSpy toggled(&toggle, &QAbstractButton::toggled);

    QTest::mouseClick(&toggle, Qt::LeftButton);
    EXPECT_TRUE(toggle.isChecked());
    QTest::keyClick(&toggle, Qt::Key_Space);
    EXPECT_FALSE(toggle.isChecked());
    ASSERT_EQ(toggled.size(), 2);
    EXPECT_TRUE(toggled[0][0].toBool());

    toggle.setEnabled(false);
    QTest::mouseClick(&toggle, Qt::LeftButton);
    EXPECT_FALSE(toggle.isChecked());
    EXPECT_EQ(toggled.size(), 2);
    EXPECT_EQ(toggle.minimumSizeHint(), toggle.sizeHint());
}

TEST_F(KitWidgetsTest, ShotOfTheToggleOffAndOn)
{
    for (const bool dark : {false, true}) {
        Surface surface(dark ? darkPalette() : lightPalette());
        QHBoxLayout *row = surface.addRow();
        for (const bool enabled : {true, false}) {
            for (const bool checked : {false, true}) {
                auto *toggle = new ToggleSwitch;
                toggle->setChecked(checked);
                toggle->setEnabled(enabled);
                row->addWidget(toggle);
            }
        }
        surface.adjustSize();
        saveShot(surface, dark ? QStringLiteral("kit-toggle-dark") : QStringLiteral("kit-toggle"));
    }
}

TEST_F(KitWidgetsTest, BadgeKeepsItsWidthAndShowsTextLiterally)
{
    CapsuleBadge badge(icons);
    badge.setContent(QStringLiteral("Connected"), {}, BadgeLook::tinted(ThemeColor::Green));
    const int textOnly = badge.sizeHint().width();
    badge.setIconName(QStringLiteral("checkmark.circle"));
    EXPECT_GT(badge.sizeHint().width(), textOnly);
    EXPECT_EQ(badge.minimumSizeHint(), badge.sizeHint());
    EXPECT_EQ(badge.sizePolicy().horizontalPolicy(), QSizePolicy::Fixed);
    EXPECT_EQ(badge.accessibleName(), QStringLiteral("Connected"));

    badge.setText(peerName);
    EXPECT_EQ(badge.accessibleName(), peerName);
    badge.setAccessibleText(QStringLiteral("Connected to ") + peerName);
    EXPECT_EQ(badge.accessibleName(), QStringLiteral("Connected to ") + peerName);
    badge.setAccessibleText({});
    EXPECT_EQ(badge.accessibleName(), peerName);
}

TEST_F(KitWidgetsTest, BadgeTextAsDrawnReadsOnItsTintUnderEveryPalette)
{
    for (const QPalette &palette : {lightPalette(), darkPalette(), highContrastPalette()}) {
        for (const ThemeColor color : {ThemeColor::Accent, ThemeColor::Green, ThemeColor::Orange, ThemeColor::Red,
                                       ThemeColor::Blue, ThemeColor::SecondaryText}) {
            SCOPED_TRACE(static_cast<int>(color));
            CapsuleBadge badge(icons);
            badge.setPalette(palette);
            badge.setContent(QStringLiteral("Waiting…"), {}, BadgeLook::tinted(color));
            badge.resize(badge.sizeHint());
            const QImage drawn = badge.grab().toImage();
            const QColor fill = drawn.pixelColor(drawn.width() / 2, 2);
            double best = 1;
            for (int y = 0; y < drawn.height(); ++y) {
                for (int x = 0; x < drawn.width(); ++x) {
                    best = std::max(best, Theme::contrastRatio(drawn.pixelColor(x, y), fill));
                }
            }
            EXPECT_GE(best, Theme::textContrast);
        }
    }
}

TEST_F(KitWidgetsTest, ShotOfTheBadges)
{
    struct Badge
    {
        QString text;
        QString icon;
        BadgeLook look;
    };
    const BadgeLook::Shape rounded = BadgeLook::Shape::Rounded;
    const QList<QList<Badge>> rows = {
        {{QStringLiteral("Ready to Connect"), QStringLiteral("circle"),
          BadgeLook::tinted(ThemeColor::SecondaryText, 0.12, rounded)},
         {QStringLiteral("Incoming"), QStringLiteral("arrow.down.circle"),
          BadgeLook::tinted(ThemeColor::Orange, 0.14, rounded)},
         {QStringLiteral("Waiting…"), QStringLiteral("hourglass"),
          BadgeLook::tinted(ThemeColor::Accent, 0.14, rounded)},
         {QStringLiteral("Connected"), QStringLiteral("checkmark.circle"),
          BadgeLook::tinted(ThemeColor::Green, 0.14, rounded)},
         {QStringLiteral("Declined"), QStringLiteral("xmark.circle"),
          BadgeLook::tinted(ThemeColor::Red, 0.12, rounded)}},
        {{QStringLiteral("Offline"), {}, BadgeLook::tinted(ThemeColor::SecondaryText)},
         {QStringLiteral("Connecting"), {}, BadgeLook::tinted(ThemeColor::Blue)},
         {QStringLiteral("Connected"), {}, BadgeLook::tinted(ThemeColor::Green)},
         {QStringLiteral("Unstable"), {}, BadgeLook::tinted(ThemeColor::Orange)},
         {QStringLiteral("Error"), {}, BadgeLook::tinted(ThemeColor::Red)}},
        {{QStringLiteral("3 computers linked"), QStringLiteral("checkmark.circle.fill"),
          BadgeLook::tinted(ThemeColor::Green)},
         {QStringLiteral("No computers linked yet"), QStringLiteral("plus.circle.fill"),
          BadgeLook::tinted(ThemeColor::Accent)},
         {QStringLiteral("Searching"), {}, BadgeLook{}}},
        {{QStringLiteral("Pending"), QStringLiteral("ellipsis.circle"),
          BadgeLook{ThemeTint{ThemeColor::SecondaryText}, ThemeTint{ThemeColor::WindowBackground},
                    ThemeTint{ThemeColor::Separator}, BadgeLook::Shape::Capsule}},
         {QStringLiteral("Fix in Settings"), QStringLiteral("gearshape"),
          BadgeLook{ThemeTint{ThemeColor::SecondaryText}, ThemeTint{ThemeColor::WindowBackground},
                    ThemeTint{ThemeColor::Separator}, BadgeLook::Shape::Capsule}},
         {peerName, QStringLiteral("laptopcomputer"), BadgeLook::tinted(ThemeColor::Accent)}},
    };
    for (const bool dark : {false, true}) {
        Surface surface(dark ? darkPalette() : lightPalette());
        auto *card = new Card;
        auto *column = new QVBoxLayout(card);
        column->setSpacing(Metrics::cardSpacing);
        surface.addWidget(card);
        for (const QList<Badge> &badges : rows) {
            auto *row = new QHBoxLayout;
            for (const Badge &wanted : badges) {
                auto *badge = new CapsuleBadge(icons);
                badge->setContent(wanted.text, wanted.icon, wanted.look);
                row->addWidget(badge);
            }
            row->addStretch(1);
            column->addLayout(row);
        }
        surface.adjustSize();
        for (CapsuleBadge *badge : surface.findChildren<CapsuleBadge *>()) {
            EXPECT_GE(badge->width(), badge->sizeHint().width()) << badge->text().toStdString();
        }
        saveShot(surface, dark ? QStringLiteral("kit-badges-dark") : QStringLiteral("kit-badges"));
    }
}

TEST_F(KitWidgetsTest, TextLabelShowsPlainTextAndElidesToItsWidth)
{
    TextLabel label(TextStyle::Body);
    label.setText(peerName);
    EXPECT_EQ(label.textFormat(), Qt::PlainText);
    EXPECT_EQ(label.text(), peerName);
    EXPECT_TRUE(label.toolTip().isEmpty());

    const QString longName = QStringLiteral("A & B’s <very> long computer name that cannot fit");
    label.setElided(true);
    label.setText(longName);
    label.show(); // a hidden widget hears of its new size only when shown
    label.resize(80, label.sizeHint().height());
    EXPECT_TRUE(label.text().endsWith(QStringLiteral("…"))) << label.text().toStdString();
    EXPECT_LT(label.text().size(), longName.size());
    EXPECT_EQ(label.fullText(), longName);
    EXPECT_EQ(label.toolTip(), UntrustedText::toolTip(longName));
    EXPECT_LT(label.minimumSizeHint().width(), 80);

    label.resize(label.sizeHint().width() + 10, label.height());
    EXPECT_EQ(label.text(), longName);
    EXPECT_TRUE(label.toolTip().isEmpty());
}

TEST_F(KitWidgetsTest, BannerReportsItsButtonsAndShowsItsMessagePlainly)
{
    Banner banner(icons);
    banner.setContent(QStringLiteral("exclamationmark.triangle.fill"), ThemeColor::Orange,
                      QStringLiteral("Couldn’t update devices"), peerName);
    EXPECT_TRUE(banner.actionButton()->isHidden());
    EXPECT_TRUE(banner.dismissButton()->isHidden());
    banner.setActionText(QStringLiteral("Undo"));
    banner.setDismissible(true);
    QSignalSpy action(&banner, &Banner::actionClicked);
    QSignalSpy dismissed(&banner, &Banner::dismissed);

    QTest::mouseClick(banner.actionButton(), Qt::LeftButton);
    QTest::mouseClick(banner.dismissButton(), Qt::LeftButton);
    EXPECT_EQ(action.size(), 1);
    EXPECT_EQ(dismissed.size(), 1);
    EXPECT_EQ(banner.message(), peerName);
    for (TextLabel *label : banner.findChildren<TextLabel *>()) {
        EXPECT_EQ(label->textFormat(), Qt::PlainText);
    }
    EXPECT_FALSE(banner.dismissButton()->icon().isNull());
    EXPECT_EQ(banner.dismissButton()->accessibleName(), QStringLiteral("Dismiss"));
}

TEST_F(KitWidgetsTest, ButtonsKeepTheirMinimumWidthAndText)
{
    CapsuleButton button(QStringLiteral("Accept"), CapsuleButton::Kind::Prominent);
    button.setMinimumWidth(Metrics::actionButtonMinimumWidth);
    EXPECT_GE(button.sizeHint().width(), Metrics::actionButtonMinimumWidth);
    const QFontMetrics metrics(button.font());
    EXPECT_GT(button.sizeHint().width(), metrics.horizontalAdvance(button.text()));
    EXPECT_GT(button.sizeHint().height(), metrics.height());
    EXPECT_EQ(button.accessibleName(), QString()); // QPushButton reads its text

    const int regular = button.sizeHint().height();
    button.setControlSize(CapsuleButton::Size::Small);
    EXPECT_LE(button.sizeHint().height(), regular);
    // The capsule as drawn is easy to hit, even small.
    button.resize(button.sizeHint());
    const QImage drawn = button.grab().toImage();
    const QColor outside = drawn.pixelColor(0, 0);
    int top = -1;
    int bottom = -1;
    for (int y = 0; y < drawn.height(); ++y) {
        if (drawn.pixelColor(drawn.width() / 2, y) != outside) {
            top = top < 0 ? y : top;
            bottom = y;
        }
    }
    EXPECT_GE(bottom - top + 1, Metrics::minimumButtonHeight);
    QSignalSpy clicked(&button, &QAbstractButton::clicked);
    QTest::mouseClick(&button, Qt::LeftButton);
    QTest::mouseClick(&button, Qt::LeftButton);
    EXPECT_EQ(clicked.size(), 2);
}

// A primary button has white text on the accent darkened enough for 4.5:1, as desktop themes draw their
// default button; any disabled button still says what it would do at 3:1.
TEST_F(KitWidgetsTest, PrimaryButtonsHaveWhiteTextAndDisabledOnesStayReadable)
{
    using Kind = CapsuleButton::Kind;
    for (const QPalette &palette : {lightPalette(), darkPalette(), highContrastPalette()}) {
        const CapsuleButton::Look primary = CapsuleButton::look(Kind::Prominent, palette);
        EXPECT_EQ(primary.text, QColor(Qt::white));
        EXPECT_GE(Theme::contrastRatio(primary.text, primary.fill), Theme::textContrast);
        for (const Kind kind : {Kind::Prominent, Kind::Bordered, Kind::Destructive, Kind::Plain}) {
            const CapsuleButton::Look disabled = CapsuleButton::look(kind, palette, false);
            for (const QColor surface : {palette.color(QPalette::Base), palette.color(QPalette::Window)}) {
                EXPECT_GE(Theme::contrastRatio(disabled.text, Theme::over(disabled.fill, surface)), 3.0) << int(kind);
            }
        }
    }
}

TEST_F(KitWidgetsTest, ShotOfACardWithButtonsAndBanners)
{
    for (const bool dark : {false, true}) {
        Surface surface(dark ? darkPalette() : lightPalette());
        surface.setFixedWidth(480);

        auto *error = new Banner(icons);
        error->setContent(QStringLiteral("exclamationmark.triangle.fill"), ThemeColor::Orange,
                          QStringLiteral("Couldn’t update devices"),
                          QStringLiteral("The Bluetooth service did not answer in time. Try again in a moment."));
        error->setDismissible(true);
        surface.addWidget(error);
        auto *undo = new Banner(icons);
        undo->setContent(QStringLiteral("arrow.uturn.backward.circle.fill"), ThemeColor::Accent,
                         QStringLiteral("Stopped transfer for Magic Keyboard"),
                         QStringLiteral("You can allow transfer again any time."));
        undo->setActionText(QStringLiteral("Undo"));
        surface.addWidget(undo);

        auto *card = new Card;
        auto *column = new QVBoxLayout(card);
        column->setSpacing(Metrics::cardSpacing);
        auto *heading = new QHBoxLayout;
        heading->setSpacing(Metrics::rowSpacing);
        auto *icon = new IconView(icons, QStringLiteral("laptopcomputer"), Metrics::iconInCircle);
        icon->setColor(ThemeColor::Green);
        icon->setCircle(Metrics::iconCircle, 0.14);
        auto *texts = new QVBoxLayout;
        texts->setSpacing(2);
        auto *name = new TextLabel(TextStyle::Body);
        name->setFontWeight(QFont::DemiBold);
        name->setElided(true);
        name->setText(QStringLiteral("Studio workstation with a very long name that is shortened"));
        auto *state = new CapsuleBadge(icons);
        state->setContent(QStringLiteral("Connected"), {}, BadgeLook::tinted(ThemeColor::Green));
        texts->addWidget(name);
        texts->addWidget(state, 0, Qt::AlignLeft);
        heading->addWidget(icon);
        heading->addLayout(texts, 1);
        auto *toggle = new ToggleSwitch;
        toggle->setChecked(true);
        heading->addWidget(toggle);
        column->addLayout(heading);
        auto *subtitle = new TextLabel(TextStyle::Subheadline, ThemeColor::SecondaryText);
        subtitle->setWordWrap(true);
        subtitle->setText(QStringLiteral("Link another computer to transfer devices between them."));
        column->addWidget(subtitle);
        auto *code = new TextLabel(TextStyle::CodeLarge);
        code->setText(QStringLiteral("K7Q2ZD"));
        column->addWidget(code);
        auto *buttons = new QHBoxLayout;
        buttons->setSpacing(Metrics::buttonSpacing);
        buttons->addWidget(new CapsuleButton(QStringLiteral("Connect"), CapsuleButton::Kind::Prominent));
        buttons->addWidget(new CapsuleButton(QStringLiteral("Reject"), CapsuleButton::Kind::Bordered));
        buttons->addWidget(new CapsuleButton(QStringLiteral("Disconnect"), CapsuleButton::Kind::Destructive));
        buttons->addStretch(1);
        column->addLayout(buttons);
        auto *more = new QHBoxLayout;
        more->setSpacing(Metrics::buttonSpacing);
        auto *disabled = new CapsuleButton(QStringLiteral("Accept"), CapsuleButton::Kind::Prominent);
        disabled->setEnabled(false);
        more->addWidget(disabled);
        auto *small = new CapsuleButton(QStringLiteral("Cancel"), CapsuleButton::Kind::Bordered);
        small->setControlSize(CapsuleButton::Size::Small);
        more->addWidget(small);
        more->addWidget(new CapsuleButton(QStringLiteral("Refresh"), CapsuleButton::Kind::Plain));
        more->addStretch(1);
        column->addLayout(more);
        surface.addWidget(card);

        surface.adjustSize();
        surface.resize(480, surface.heightForWidth(480) > 0 ? surface.heightForWidth(480) : surface.height());
        saveShot(surface, dark ? QStringLiteral("kit-card-dark") : QStringLiteral("kit-card"));
        EXPECT_TRUE(name->text().endsWith(QStringLiteral("…")));
        for (CapsuleButton *button : surface.findChildren<CapsuleButton *>()) {
            EXPECT_GE(button->width(), button->sizeHint().width()) << button->text().toStdString();
        }
    }
}
