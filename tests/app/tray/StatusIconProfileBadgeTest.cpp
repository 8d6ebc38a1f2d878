#include "tray/MenuBarTransferFeedbackIconRenderer.h"
#include "tray/StatusItemTransferFeedbackController.h"

#include "support/ManualClock.h"
#include "support/Shots.h"
#include "support/fakes/RecordingStatusIconSink.h"

#include <QLabel>
#include <QPainter>

#include <gtest/gtest.h>

using namespace verandel;
using namespace verandel::test;

namespace {

using BadgeState = MenuBarTransferFeedbackVisualState;
using Renderer = MenuBarTransferFeedbackIconRenderer;

// Pixels whose colour is near white: the letter (the disc's rim is drawn in the glyph's light grey).
int whitePixels(const QImage &image, const QRect &area)
{
    int count = 0;
    for (int y = area.top(); y <= area.bottom(); ++y) {
        for (int x = area.left(); x <= area.right(); ++x) {
            const QColor c = image.pixelColor(x, y);
            count += c.alpha() == 255 && c.red() > 200 && c.green() > 200 && c.blue() > 200 ? 1 : 0;
        }
    }
    return count;
}

TEST(StatusIconProfileBadgeTest, TheLetterIsTheFirstCharacterOfTheProfileInUpperCase)
{
    const std::pair<QString, QString> cases[] = {
        {QStringLiteral("alpha"), QStringLiteral("A")},
        {QStringLiteral("beta"), QStringLiteral("B")},
        {QString(), QString()},
        {QStringLiteral("\u00e4rger"), QStringLiteral("\u00c4")},
        // A letter and its combining accent are one character.
        {QStringLiteral("e\u0301cole"), QStringLiteral("E\u0301")},
        {QStringLiteral("\U0001F600 smile"), QStringLiteral("\U0001F600")},
    };
    for (const auto &[profile, letter] : cases) {
        EXPECT_EQ(Renderer::badgeLetter(profile), letter) << profile.toStdString();
    }
}

// At every size the tray asks for, the letter is drawn in its corner and the rest of the icon is untouched.
TEST(StatusIconProfileBadgeTest, EverySizeCarriesTheLetterInItsCornerOnly)
{
    if (!IconProvider::isRenderingAvailable()) {
        GTEST_SKIP() << "no SVG image plugin";
    }
    const IconProvider icons;
    for (const BadgeState state : {BadgeState::Idle, BadgeState::InProgress, BadgeState::Warning}) {
        for (const int size : Renderer::sizes()) {
            for (const qreal ratio : {1.0, 2.0}) {
                const QString where = QStringLiteral("state %1 at %2@%3x").arg(int(state)).arg(size).arg(ratio);
                const QImage plain = Renderer::image(icons, state, false, size, ratio);
                const QImage alpha = Renderer::image(icons, state, false, size, ratio, QStringLiteral("A"));
                const QImage beta = Renderer::image(icons, state, false, size, ratio, QStringLiteral("B"));
                ASSERT_EQ(alpha.size(), plain.size());
                const QRect disc = Renderer::badgeRect(plain.width());
                bool outsideUntouched = true;
                for (int y = 0; y < plain.height(); ++y) {
                    for (int x = 0; x < plain.width(); ++x) {
                        if (!disc.contains(x, y)) {
                            outsideUntouched = outsideUntouched && alpha.pixel(x, y) == plain.pixel(x, y);
                        }
                    }
                }
                EXPECT_TRUE(outsideUntouched) << where.toStdString();
                // The letter shows inside the disc, and two letters look different.
                const QRect inner
                    = disc.adjusted(disc.width() / 5, disc.height() / 5, -disc.width() / 5, -disc.height() / 5);
                EXPECT_GE(whitePixels(alpha, inner), std::max(4, inner.width() * inner.height() / 12))
                    << where.toStdString();
                EXPECT_NE(alpha.copy(disc), beta.copy(disc)) << where.toStdString();
            }
        }
    }
}

TEST(StatusIconProfileBadgeTest, TheControllerDrawsEveryFrameWithTheLetter)
{
    auto clock = std::make_shared<ManualClock>();
    auto sink = std::make_shared<RecordingStatusIconSink>();
    StatusItemTransferFeedbackController controller(sink, std::make_shared<IconProvider>(), clock);
    const qint64 plainKey = sink->icons.last().cacheKey();
    controller.setProfileBadge(QStringLiteral("A"));
    ASSERT_EQ(sink->icons.size(), 2);
    EXPECT_NE(sink->icons.last().cacheKey(), plainKey);
    controller.setProfileBadge(QStringLiteral("A"));
    EXPECT_EQ(sink->icons.size(), 2);
    if (IconProvider::isRenderingAvailable()) {
        const IconProvider icons;
        const QImage expected = Renderer::image(icons, BadgeState::Idle, false, 22, 1.0, QStringLiteral("A"));
        EXPECT_EQ(sink->icons.last().pixmap(22, 22).toImage().convertToFormat(expected.format()), expected);
    }
}

TEST(StatusIconProfileBadgeTest, PicturesOfTheBadgeAtEverySize)
{
    const IconProvider icons;
    const std::pair<BadgeState, QString> frames[]
        = {{BadgeState::Idle, QStringLiteral("A")}, {BadgeState::InProgress, QStringLiteral("B")}};
    const QColor panels[] = {Qt::white, QColor(0xd6, 0xd6, 0xd6), QColor(0x3a, 0x3a, 0x3a), Qt::black};
    // Each size at 1x, shown four times larger without smoothing, on four panel colours.
    const int zoom = 4;
    const int cell = 36 * zoom;
    QImage sheet(cell * int(std::size(frames)) * int(Renderer::sizes().size()), cell * int(std::size(panels)),
                 QImage::Format_ARGB32);
    QPainter painter(&sheet);
    for (int row = 0; row < int(std::size(panels)); ++row) {
        painter.fillRect(0, row * cell, sheet.width(), cell, panels[row]);
        int column = 0;
        for (const int size : Renderer::sizes()) {
            for (const auto &[state, letter] : frames) {
                const QImage image = Renderer::image(icons, state, false, size, 1.0, letter)
                                         .scaled(size * zoom, size * zoom, Qt::KeepAspectRatio, Qt::FastTransformation);
                painter.drawImage(column * cell + (cell - image.width()) / 2, row * cell + (cell - image.height()) / 2,
                                  image);
                ++column;
            }
        }
    }
    painter.end();
    QLabel label;
    label.setPixmap(QPixmap::fromImage(sheet));
    label.resize(sheet.size());
    saveShot(label, QStringLiteral("tray-status-icon-profile-badge"));
}

} // namespace
