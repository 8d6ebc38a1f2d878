#include "common/BusyAnimation.h"

#include "kit/BusyBar.h"

#include "support/ManualClock.h"

#include <QCoreApplication>
#include <QVBoxLayout>

#include <gtest/gtest.h>

using namespace verandel;
using namespace verandel::test;

// The segment sweeps on the clock while the bar is shown, and nothing ticks while it is hidden.
TEST(BusyAnimationTest, TheSegmentMovesOnTheClockOnlyWhileTheBarIsShown)
{
    const auto clock = std::make_shared<ManualClock>();
    QWidget window;
    auto *layout = new QVBoxLayout(&window);
    auto *bar = new BusyBar(120, &window);
    layout->addWidget(bar);
    auto *animation = new BusyAnimation(clock, bar);
    EXPECT_FALSE(animation->isRunning());
    EXPECT_EQ(clock->sleeperCount(), 0);

    window.show();
    EXPECT_TRUE(animation->isRunning());
    // The segment stands where the last frame put it: at most a frame behind the clock.
    const double frame = BusyAnimation::frameSeconds / BusyAnimation::sweepSeconds * 1.1;
    const double start = bar->phase();
    const QRectF before = bar->segment();
    clock->advance(BusyAnimation::sweepSeconds / 4);
    EXPECT_NEAR(bar->phase(), start + 0.25, frame);
    EXPECT_GT(bar->segment().center().x(), before.center().x());
    // A whole sweep later it is where it was: it goes round, it never fills the track.
    const double quarter = bar->phase();
    clock->advance(BusyAnimation::sweepSeconds);
    EXPECT_NEAR(bar->phase(), quarter, frame);
    EXPECT_LT(bar->segment().width(), bar->width());

    bar->hide();
    EXPECT_FALSE(animation->isRunning());
    QCoreApplication::processEvents(); // the cancelled wait leaves the clock
    EXPECT_EQ(clock->sleeperCount(), 0);
    const double hidden = bar->phase();
    clock->advance(1.0);
    EXPECT_EQ(bar->phase(), hidden);

    // Shown again, it carries on from where it stood.
    bar->show();
    EXPECT_TRUE(animation->isRunning());
    EXPECT_EQ(bar->phase(), hidden);
    window.hide();
    EXPECT_FALSE(animation->isRunning());
}
