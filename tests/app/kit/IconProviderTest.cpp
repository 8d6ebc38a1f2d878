#include "kit/IconProvider.h"
#include "kit/IconView.h"
#include "kit/TextLabel.h"

#include "records/DeviceType.h"
#include "records/SharingStatus.h"
#include "support/QtPrinters.h"
#include "support/Shots.h"

#include <QGridLayout>
#include <QImage>
#include <QVBoxLayout>

#include <gtest/gtest.h>

using namespace verandel;

namespace {

// The symbols the windows name, as they name them.
const QStringList namesTheWindowsUse = {
    QStringLiteral("verandel-logo"),
    QStringLiteral("laptopcomputer"),
    QStringLiteral("desktopcomputer"),
    QStringLiteral("keyboard"),
    QStringLiteral("computermouse"),
    QStringLiteral("magicmouse"),
    QStringLiteral("trackpad"),
    QStringLiteral("rectangle.filled.and.hand.point.up.left"),
    QStringLiteral("arrow.left.arrow.right"),
    QStringLiteral("arrow.clockwise"),
    QStringLiteral("arrow.down.circle"),
    QStringLiteral("arrow.uturn.backward.circle.fill"),
    QStringLiteral("exclamationmark"),
    QStringLiteral("exclamationmark.triangle"),
    QStringLiteral("exclamationmark.triangle.fill"),
    QStringLiteral("checkmark"),
    QStringLiteral("checkmark.circle"),
    QStringLiteral("checkmark.circle.fill"),
    QStringLiteral("xmark"),
    QStringLiteral("xmark.circle"),
    QStringLiteral("circle"),
    QStringLiteral("circle.fill"),
    QStringLiteral("bluetooth.slash"),
    QStringLiteral("network"),
    QStringLiteral("antenna.radiowaves.left.and.right"),
    QStringLiteral("dot.radiowaves.left.and.right"),
    QStringLiteral("lock.shield"),
    QStringLiteral("questionmark.circle"),
    QStringLiteral("info.circle"),
    QStringLiteral("info.circle.fill"),
    QStringLiteral("gearshape"),
    QStringLiteral("gearshape.fill"),
    QStringLiteral("gearshape.2"),
    QStringLiteral("hand.raised.circle"),
    QStringLiteral("ellipsis.circle"),
    QStringLiteral("hourglass"),
    QStringLiteral("sparkles"),
    QStringLiteral("magnifyingglass"),
    QStringLiteral("plus.circle.fill"),
    QStringLiteral("minus.circle.fill"),
    QStringLiteral("square.stack.3d.up"),
    QStringLiteral("square.and.arrow.up"),
    QStringLiteral("1.circle.fill"),
    QStringLiteral("2.circle.fill"),
    QStringLiteral("3.circle.fill"),
};

int inkedPixels(const QImage &image)
{
    int count = 0;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            count += qAlpha(image.pixel(x, y)) > 0 ? 1 : 0;
        }
    }
    return count;
}

} // namespace

TEST(IconProviderTest, SvgIsReadable)
{
    ASSERT_TRUE(IconProvider::isRenderingAvailable()) << "no SVG image plugin (Debian package libqt6svg6)";
}

TEST(IconProviderTest, DrawsEveryNameTheWindowsAndRecordsUse)
{
    QStringList names = namesTheWindowsUse;
    for (const DeviceType type :
         {DeviceType::MagicKeyboard, DeviceType::MagicTrackpad, DeviceType::MagicMouse, DeviceType::Other}) {
        names << deviceIconName(type);
    }
    names << iconName(SharingStatus::Shared) << iconName(SharingStatus::Local);

    const IconProvider icons;
    for (const QString &name : names) {
        SCOPED_TRACE(name.toStdString());
        ASSERT_TRUE(icons.contains(name));
        const QPixmap pixmap = icons.pixmap(name, 16, Qt::black);
        ASSERT_EQ(pixmap.size(), QSize(16, 16));
        EXPECT_GT(inkedPixels(pixmap.toImage()), 10);
    }
    // Every file of the set is one the windows use, so the set holds no forgotten drawings.
    for (const QString &name : icons.names()) {
        EXPECT_TRUE(names.contains(name)) << name.toStdString();
    }
}

TEST(IconProviderTest, InkTakesTheColourAskedForAndWhiteCutsHoles)
{
    const IconProvider icons;
    const QColor ink(200, 40, 30);
    const QImage image = icons.pixmap(QStringLiteral("checkmark.circle.fill"), 48, ink)
                             .toImage()
                             .convertToFormat(QImage::Format_ARGB32);

    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            // Faint edge pixels lose precision in the premultiplied pixmap.
            const QRgb pixel = image.pixel(x, y);
            if (qAlpha(pixel) >= 64) {
                ASSERT_NEAR(qRed(pixel), ink.red(), 3) << x << "," << y;
                ASSERT_NEAR(qGreen(pixel), ink.green(), 3) << x << "," << y;
                ASSERT_NEAR(qBlue(pixel), ink.blue(), 3) << x << "," << y;
            }
        }
    }
    EXPECT_EQ(qAlpha(image.pixel(24, 6)), 255); // the disc
    EXPECT_EQ(qAlpha(image.pixel(22, 32)), 0); // the check cut out of it
    EXPECT_EQ(qAlpha(image.pixel(1, 1)), 0); // outside the disc

    QColor halfInk = ink;
    halfInk.setAlpha(128);
    EXPECT_EQ(qAlpha(icons.pixmap(QStringLiteral("checkmark.circle.fill"), 48, halfInk).toImage().pixel(24, 6)), 128);
}

TEST(IconProviderTest, HighDensityScreensGetSharpPixmapsAndTraysEverySize)
{
    const IconProvider icons;
    const QPixmap sharp = icons.pixmap(QStringLiteral("keyboard"), 16, Qt::black, 2.0);
    EXPECT_EQ(sharp.size(), QSize(32, 32));
    EXPECT_EQ(sharp.devicePixelRatio(), 2.0);
    EXPECT_EQ(sharp.deviceIndependentSize(), QSizeF(16, 16));

    const QList<QSize> sizes = icons.icon(QStringLiteral("laptopcomputer"), Qt::black).availableSizes();
    for (const int side : {16, 22, 24, 32}) {
        EXPECT_TRUE(sizes.contains(QSize(side, side))) << side;
    }
}

TEST(IconProviderTest, UnknownNamesDrawNothing)
{
    const IconProvider icons;
    EXPECT_FALSE(icons.contains(QStringLiteral("../kit/icons/keyboard")));
    EXPECT_TRUE(icons.pixmap(QStringLiteral("no.such.symbol"), 16, Qt::black).isNull());
    EXPECT_TRUE(icons.pixmap(QStringLiteral("keyboard"), 0, Qt::black).isNull());
    EXPECT_TRUE(icons.icon(QStringLiteral("no.such.symbol"), Qt::black).isNull());
}

TEST(IconProviderTest, ShotOfTheWholeSet)
{
    const auto icons = std::make_shared<const IconProvider>();
    QWidget sheet;
    auto *grid = new QGridLayout(&sheet);
    const QStringList names = icons->names();
    constexpr int columns = 6;
    for (int index = 0; index < names.size(); ++index) {
        auto *cell = new QVBoxLayout;
        auto *icon = new IconView(icons, names[index], 32);
        icon->setColor(index % 3 == 0 ? ThemeColor::Accent : ThemeColor::PrimaryText);
        auto *label = new TextLabel(TextStyle::Caption, ThemeColor::SecondaryText);
        label->setText(names[index]);
        label->setElided(true);
        label->setFixedWidth(110);
        label->setAlignment(Qt::AlignHCenter);
        cell->addWidget(icon, 0, Qt::AlignHCenter);
        cell->addWidget(label, 0, Qt::AlignHCenter);
        grid->addLayout(cell, index / columns, index % columns);
    }
    sheet.adjustSize();
    verandel::test::saveShot(sheet, QStringLiteral("kit-icons"));
}
