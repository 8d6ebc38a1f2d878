#include "tray/MenuBarTransferFeedbackIconRenderer.h"
#include "tray/MenuBarTransferFeedbackPolicy.h"
#include "tray/StatusItemTransferFeedbackController.h"
#include "tray/VerandelUILogoAsset.h"

#include "kit/Theme.h"

#include "support/ManualClock.h"
#include "support/Shots.h"
#include "support/fakes/RecordingLoggerFactory.h"
#include "support/fakes/RecordingStatusIconSink.h"

#include <QCoreApplication>
#include <QLineF>
#include <QPainter>
#include <QPainterPath>

#include <cmath>

#include <gtest/gtest.h>

using namespace verandel;
using namespace verandel::test;
using namespace verandel::ProgressStatus;

namespace {

using State = MenuBarTransferFeedbackVisualState;

const QString first = QStringLiteral("11111111-1111-4111-8111-111111111111");
const QString second = QStringLiteral("22222222-2222-4222-8222-222222222222");

ControlTransferProgress step(const QString &transaction, ControlTransferProgressStatus status)
{
    return ControlTransferProgress{transaction, ControlTransferDirection::TakeControl, std::nullopt, std::move(status),
                                   QDateTime()};
}

class StatusIconFeedbackTest : public ::testing::Test
{
protected:
    void advance(double seconds)
    {
        clock->advance(seconds);
        QCoreApplication::processEvents();
    }

    std::shared_ptr<ManualClock> clock = std::make_shared<ManualClock>();
    std::shared_ptr<RecordingStatusIconSink> sink = std::make_shared<RecordingStatusIconSink>();
    IconProviderPtr icons = std::make_shared<IconProvider>();
    StatusItemTransferFeedbackController controller{sink, icons, clock};
};

const std::pair<State, bool> everyFrame[]
    = {{State::Idle, false},      {State::PendingUpdate, false}, {State::InProgress, false},
       {State::InProgress, true}, {State::Success, false},       {State::Warning, false}};

// White, light grey, dark grey and black: the tray host tells nothing about its panel.
const QColor panels[] = {QColor(Qt::white), QColor(0xd4, 0xd4, 0xd4), QColor(0x3c, 0x3c, 0x3c), QColor(Qt::black)};

QImage shownOn(const QImage &glyph, const QColor &panel)
{
    QImage shown(glyph.size(), QImage::Format_RGB32);
    shown.fill(panel);
    QImage unscaled = glyph;
    unscaled.setDevicePixelRatio(1.0);
    QPainter(&shown).drawImage(0, 0, unscaled);
    return shown;
}

// Pixels wholly inside the hole that stand out from its fill by 3:1.
int symbolPixels(const QImage &shown, const MenuBarTransferFeedbackIconRenderer::Layout &layout)
{
    const QPainterPath hole = MenuBarTransferFeedbackIconRenderer::holePath(layout);
    int count = 0;
    for (int y = 0; y < shown.height(); ++y) {
        for (int x = 0; x < shown.width(); ++x) {
            if (hole.contains(QRectF(x, y, 1, 1))
                && Theme::contrastRatio(shown.pixelColor(x, y), MenuBarTransferFeedbackIconRenderer::cutInk()) >= 3.0) {
                ++count;
            }
        }
    }
    return count;
}

// From the picture's edge inwards along `rays` directions, how far in (from the disc's rim) the first pixel
// standing out from the panel by 3:1 lies, at the worst direction.
qreal deepestEdge(const QImage &shown, const QColor &panel, const MenuBarTransferFeedbackIconRenderer::Layout &layout)
{
    const QPointF centre = layout.disc.center();
    const qreal rim = layout.disc.width() / 2 + layout.outline;
    qreal deepest = 0;
    constexpr int rays = 72;
    for (int ray = 0; ray < rays; ++ray) {
        const qreal angle = 2 * M_PI * ray / rays;
        const QPointF direction(std::cos(angle), std::sin(angle));
        qreal found = rim;
        for (qreal distance = shown.width() / 2.0; distance >= 0; distance -= 0.25) {
            const QPoint pixel = (centre + direction * distance).toPoint();
            if (shown.rect().contains(pixel) && Theme::contrastRatio(shown.pixelColor(pixel), panel) >= 3.0) {
                found = rim - distance;
                break;
            }
        }
        deepest = std::max(deepest, found);
    }
    return deepest;
}

} // namespace

TEST(StatusIconPolicyTest, StatesAndSymbolsOfEveryStep)
{
    const QString address = QStringLiteral("AA:BB:CC:DD:EE:FF");
    const std::pair<ControlTransferProgressStatus, State> cases[] = {
        {OperationStarted{}, State::InProgress},
        {OutboundTransferRequestSent{}, State::InProgress},
        {InboundTransferRequestReceived{}, State::InProgress},
        {UnpairingStarted{2}, State::InProgress},
        {UnpairResult{address, false, std::nullopt}, State::InProgress},
        {DevicesReadySent{2}, State::InProgress},
        {PairingStarted{2}, State::InProgress},
        {PairResult{address, false, OperationFailureCategory::Timeout}, State::InProgress},
        {OwnershipUpdated{2}, State::InProgress},
        {Blocked{ControlTransferBlockedReason::PeerUnavailable}, State::Warning},
        {Failed{}, State::Warning},
        {Cancelled{}, State::Warning},
        {UserActionRequired{}, State::Warning},
        {Success{}, State::Success},
    };
    for (const auto &[status, state] : cases) {
        EXPECT_EQ(MenuBarTransferFeedbackPolicy::visualState(step(first, status)), state) << int(state);
    }
    using S = MenuBarTransferFeedbackSymbolPolicy;
    const std::tuple<State, bool, const char *, double, double, const char *> symbols[] = {
        {State::Idle, false, "", 0, 1.0, "Verandel idle"},
        {State::PendingUpdate, false, "arrow.down.circle", 13, 1.0, "Update available"},
        {State::InProgress, false, "arrow.left.arrow.right", 12, 0.68, "Transfer in progress"},
        {State::InProgress, true, "arrow.left.arrow.right", 14, 1.0, "Transfer in progress"},
        {State::Success, false, "checkmark", 14, 1.0, "Transfer complete"},
        {State::Warning, false, "exclamationmark", 14, 1.0, "Transfer attention needed"},
    };
    for (const auto &[state, alternate, name, size, opacity, text] : symbols) {
        EXPECT_EQ(S::symbolName(state), QString::fromUtf8(name));
        EXPECT_EQ(S::pointSize(state, alternate), size);
        EXPECT_EQ(S::opacity(state, alternate), opacity);
        EXPECT_EQ(S::accessibilityDescription(state), QString::fromUtf8(text));
    }
    EXPECT_TRUE(MenuBarTransferFeedbackPolicy::shouldClearAfterManualInspection(State::Warning));
    EXPECT_FALSE(MenuBarTransferFeedbackPolicy::shouldClearAfterManualInspection(State::Success));
    EXPECT_TRUE(MenuBarTransferFeedbackPolicy::shouldClearForNewAttempt(State::Success));
    EXPECT_TRUE(MenuBarTransferFeedbackPolicy::shouldClearForNewAttempt(State::Warning));
    EXPECT_FALSE(MenuBarTransferFeedbackPolicy::shouldClearForNewAttempt(State::InProgress));
}

TEST_F(StatusIconFeedbackTest, ThePulseFlipsOnlyOnTicksAndIgnoresRepeatedSteps)
{
    controller.apply(step(first, OperationStarted{}));
    EXPECT_EQ(controller.visualState(), State::InProgress);
    EXPECT_FALSE(controller.usesAlternatePhase());
    for (int i = 0; i < 5; ++i) {
        controller.apply(step(first, PairingStarted{1}));
        controller.apply(step(first, PairResult{QStringLiteral("AA:BB:CC:DD:EE:FF"), i % 2 == 0, std::nullopt}));
    }
    EXPECT_FALSE(controller.usesAlternatePhase());
    const qsizetype drawnBefore = sink->icons.size();
    advance(0.59);
    EXPECT_FALSE(controller.usesAlternatePhase());
    advance(0.01);
    EXPECT_TRUE(controller.usesAlternatePhase());
    advance(0.6);
    EXPECT_FALSE(controller.usesAlternatePhase());
    EXPECT_EQ(sink->icons.size(), drawnBefore + 2);
    // The frames of each phase are drawn once and handed out again.
    EXPECT_EQ(sink->icons.last().cacheKey(), sink->icons[drawnBefore - 1].cacheKey());
    EXPECT_EQ(clock->sleeperCount(), 1);
    EXPECT_EQ(sink->toolTips.last(), QStringLiteral("Transfer in progress"));
}

// Steps of the running transfer keep arriving between ticks; the pulse keeps its own beat.
TEST_F(StatusIconFeedbackTest, StepsBetweenTicksLeaveThePulseOnTime)
{
    controller.apply(step(first, OperationStarted{}));
    bool phase = false;
    for (int tick = 1; tick <= 4; ++tick) {
        advance(0.3);
        controller.apply(step(first, PairingStarted{1}));
        controller.apply(step(first, PairResult{QStringLiteral("AA:BB:CC:DD:EE:FF"), true, std::nullopt}));
        EXPECT_EQ(controller.usesAlternatePhase(), phase) << "halfway to tick " << tick;
        advance(0.3);
        phase = !phase;
        EXPECT_EQ(controller.usesAlternatePhase(), phase) << "at tick " << tick;
    }
    EXPECT_EQ(clock->sleeperCount(), 1);
}

// A hand-over waits for the receiver: devices-ready can last minutes, and a pair result may follow it.
TEST_F(StatusIconFeedbackTest, ALongHandOverKeepsPulsingUntilItsOutcome)
{
    controller.apply(step(first, UnpairingStarted{2}));
    controller.apply(step(first, DevicesReadySent{2}));
    advance(180);
    EXPECT_EQ(controller.visualState(), State::InProgress);
    EXPECT_TRUE(controller.isPulsing());
    controller.apply(step(first, PairResult{QStringLiteral("AA:BB:CC:DD:EE:FF"), false, std::nullopt}));
    EXPECT_EQ(controller.visualState(), State::InProgress);
    controller.apply(step(first, Success{}));
    EXPECT_EQ(controller.visualState(), State::Success);
    EXPECT_FALSE(controller.isPulsing());
    advance(1.5);
    EXPECT_EQ(controller.visualState(), State::Idle);
}

// It starts idle with the logo drawn once; a success dwells, then the icon is idle again.
TEST_F(StatusIconFeedbackTest, StartsIdleAndSuccessDwellsThenReturnsToIdle)
{
    EXPECT_EQ(controller.visualState(), State::Idle);
    EXPECT_EQ(sink->icons.size(), 1);
    controller.apply(step(first, Success{}));
    advance(1.0);
    // A second success of the same transfer starts the dwell again.
    controller.apply(step(first, Success{}));
    advance(1.0);
    EXPECT_EQ(controller.visualState(), State::Success);
    advance(0.5);
    EXPECT_EQ(controller.visualState(), State::Idle);
    EXPECT_EQ(controller.activeTransactionId(), std::nullopt);
    EXPECT_EQ(sink->toolTips,
              (QStringList{QStringLiteral("Verandel idle"), QStringLiteral("Transfer complete"),
                           QStringLiteral("Verandel idle")}));
}

TEST_F(StatusIconFeedbackTest, ANewerTransferIsNotClearedByAnOlderOnesTimer)
{
    controller.apply(step(first, Success{}));
    advance(1.0);
    controller.apply(step(second, OperationStarted{}));
    advance(1.0);
    EXPECT_EQ(controller.visualState(), State::InProgress);
    EXPECT_EQ(controller.activeTransactionId(), second);
    controller.apply(step(second, Success{}));
    controller.apply(step(first, Failed{}));
    advance(5);
    EXPECT_EQ(controller.visualState(), State::Warning);
}

TEST_F(StatusIconFeedbackTest, AWarningStaysUntilTheUserLooksOrTriesAgain)
{
    controller.showWarningOutcome();
    advance(3600);
    EXPECT_EQ(controller.visualState(), State::Warning);
    controller.clearOutcomeAfterManualInspection();
    EXPECT_EQ(controller.visualState(), State::Idle);

    controller.apply(step(first, Cancelled{}));
    controller.beginTransferAttempt();
    EXPECT_EQ(controller.visualState(), State::Idle);

    controller.apply(step(first, Success{}));
    controller.clearOutcomeAfterManualInspection();
    EXPECT_EQ(controller.visualState(), State::Success);
    controller.beginTransferAttempt();
    EXPECT_EQ(controller.visualState(), State::Idle);

    controller.apply(step(second, OperationStarted{}));
    controller.beginTransferAttempt();
    EXPECT_EQ(controller.visualState(), State::InProgress);
}

TEST_F(StatusIconFeedbackTest, TheUpdateBadgeShowsWhenIdle)
{
    controller.setPendingUpdateBadgeVisible(true);
    EXPECT_EQ(controller.visualState(), State::PendingUpdate);
    EXPECT_EQ(sink->toolTips.last(), QStringLiteral("Update available"));
    controller.apply(step(first, Success{}));
    controller.setPendingUpdateBadgeVisible(false);
    controller.setPendingUpdateBadgeVisible(true);
    EXPECT_EQ(controller.visualState(), State::Success);
    advance(1.5);
    EXPECT_EQ(controller.visualState(), State::PendingUpdate);
    controller.setPendingUpdateBadgeVisible(false);
    EXPECT_EQ(controller.visualState(), State::Idle);
}

TEST_F(StatusIconFeedbackTest, WithoutTheIconStatesChangeAndNothingIsDrawn)
{
    auto gone = std::make_shared<RecordingStatusIconSink>();
    StatusItemTransferFeedbackController orphan(std::weak_ptr<StatusIconSink>(gone), icons, clock);
    gone.reset();
    orphan.apply(step(first, OperationStarted{}));
    EXPECT_EQ(orphan.visualState(), State::InProgress);
    EXPECT_FALSE(orphan.isPulsing());
    orphan.apply(step(first, Success{}));
    advance(1.5);
    EXPECT_EQ(orphan.visualState(), State::Idle);
}

// At the smallest tray size every symbol keeps a dozen pixels that stand out from the hole, and the
// glyph's rim stands out from any panel right where it begins: the dark rim on light panels, the light
// disc just inside it on dark ones.
TEST(StatusIconRendererTest, AtSixteenPixelsSymbolsStandOutOfTheirHoleAndTheRimOutOfEveryPanel)
{
    const IconProvider icons;
    for (const auto &[state, alternate] : everyFrame) {
        const auto layout = MenuBarTransferFeedbackIconRenderer::layout(state, alternate, 16);
        const QImage glyph = MenuBarTransferFeedbackIconRenderer::image(icons, state, alternate, 16);
        ASSERT_EQ(glyph.width(), 16);
        if (state != State::Idle) {
            EXPECT_GE(symbolPixels(shownOn(glyph, Qt::white), layout), 12) << int(state) << " " << alternate;
        }
        for (const QColor &panel : panels) {
            EXPECT_LE(deepestEdge(shownOn(glyph, panel), panel, layout), layout.outline + 1.5)
                << int(state) << " on " << panel.name().toStdString();
        }
    }
}

// Everything stays inside the circle; the hole leaves a rim of light all round, and below 32 pixels the
// hole and the symbol sit on whole pixels.
TEST(StatusIconRendererTest, TheHoleAndTheSymbolStayInsideTheDiscAtEverySize)
{
    const IconProvider icons;
    for (const int size : MenuBarTransferFeedbackIconRenderer::sizes()) {
        for (const qreal ratio : {1.0, 1.25, 1.5, 2.0}) {
            for (const auto &[state, alternate] : everyFrame) {
                const auto layout = MenuBarTransferFeedbackIconRenderer::layout(state, alternate, size, ratio);
                const QImage glyph = MenuBarTransferFeedbackIconRenderer::image(icons, state, alternate, size, ratio);
                const QString where = QStringLiteral("%1 at %2@%3").arg(int(state)).arg(size).arg(ratio);
                const QPointF centre(layout.pixels / 2.0, layout.pixels / 2.0);
                for (int y = 0; y < glyph.height(); ++y) {
                    for (int x = 0; x < glyph.width(); ++x) {
                        if (qAlpha(glyph.pixel(x, y)) > 0) {
                            EXPECT_LE(QLineF(centre, QPointF(x + 0.5, y + 0.5)).length(),
                                      layout.pixels / 2.0 + M_SQRT1_2)
                                << where.toStdString();
                        }
                    }
                }
                if (state == State::Idle) {
                    EXPECT_TRUE(layout.hole.isEmpty());
                    continue;
                }
                QPainterPath lit;
                lit.addEllipse(layout.disc.adjusted(1, 1, -1, -1));
                const QPainterPath hole = MenuBarTransferFeedbackIconRenderer::holePath(layout);
                EXPECT_TRUE(lit.contains(hole)) << where.toStdString();
                EXPECT_TRUE(layout.hole.contains(QRectF(layout.symbol))) << where.toStdString();
                if (layout.pixelFitted) {
                    EXPECT_EQ(layout.hole, QRectF(layout.hole.toRect())) << where.toStdString();
                }
            }
        }
    }
}

// One outline weight per size, in device-independent pixels: it grows with the ratio in proportion,
// with no jump between two ratios.
TEST(StatusIconRendererTest, TheOutlineGrowsInProportionToTheRatio)
{
    for (const int size : MenuBarTransferFeedbackIconRenderer::sizes()) {
        const qreal weight = MenuBarTransferFeedbackIconRenderer::layout(State::Idle, false, size, 1.0).outline;
        for (qreal ratio = 1.0; ratio <= 3.0; ratio += 0.25) {
            EXPECT_DOUBLE_EQ(MenuBarTransferFeedbackIconRenderer::layout(State::Idle, false, size, ratio).outline,
                             weight * ratio)
                << size << "@" << ratio;
        }
    }
}

// The pulse's two frames differ in size as well as in opacity at every tray size.
TEST(StatusIconRendererTest, ThePulsesFramesDifferAtEverySize)
{
    const IconProvider icons;
    for (const int size : MenuBarTransferFeedbackIconRenderer::sizes()) {
        const auto base = MenuBarTransferFeedbackIconRenderer::layout(State::InProgress, false, size);
        const auto full = MenuBarTransferFeedbackIconRenderer::layout(State::InProgress, true, size);
        EXPECT_GE(full.symbol.width() - base.symbol.width(), 2) << size;
        const QImage small = MenuBarTransferFeedbackIconRenderer::image(icons, State::InProgress, false, size);
        const QImage large = MenuBarTransferFeedbackIconRenderer::image(icons, State::InProgress, true, size);
        int differing = 0;
        for (int y = 0; y < small.height(); ++y) {
            for (int x = 0; x < small.width(); ++x) {
                differing += Theme::contrastRatio(small.pixelColor(x, y), large.pixelColor(x, y)) >= 1.5 ? 1 : 0;
            }
        }
        EXPECT_GE(differing, symbolPixels(shownOn(large, Qt::white), full) / 2) << size;
    }
}

// Every frame at one tray size, at 1x and 2x, on the four panel colours, enlarged four times without
// smoothing so each pixel can be seen.
TEST(StatusIconRendererTest, PicturesOfEveryFrameOnFourPanelsAtEachSize)
{
    const IconProvider icons;
    constexpr int zoom = 4;
    for (const int size : MenuBarTransferFeedbackIconRenderer::sizes()) {
        const int cell = (2 * size + 4) * zoom;
        QImage sheet(cell * 6, cell * 8, QImage::Format_RGB32);
        QPainter painter(&sheet);
        int row = 0;
        for (const QColor &panel : panels) {
            for (const qreal ratio : {1.0, 2.0}) {
                painter.fillRect(0, row * cell, sheet.width(), cell, panel);
                int column = 0;
                for (const auto &[state, alternate] : everyFrame) {
                    QImage image = MenuBarTransferFeedbackIconRenderer::image(icons, state, alternate, size, ratio);
                    image.setDevicePixelRatio(1.0);
                    const QImage enlarged
                        = image.scaled(image.size() * zoom, Qt::IgnoreAspectRatio, Qt::FastTransformation);
                    painter.drawImage(column * cell + (cell - enlarged.width()) / 2,
                                      row * cell + (cell - enlarged.height()) / 2, enlarged);
                    ++column;
                }
                ++row;
            }
        }
        painter.end();
        saveShot(sheet, QStringLiteral("tray-status-icon-%1px").arg(size));
    }
}

TEST(StatusIconRendererTest, TheLogoLookupIsLogged)
{
    RecordingLoggerFactory logs;
    EXPECT_EQ(VerandelUILogoAsset::isAvailable(IconProvider(), logs), IconProvider::isRenderingAvailable());
    EXPECT_EQ(logs.messages(LogLevel::Info, QStringLiteral("ModuleResourcesBundle")).size(), 1);
}
