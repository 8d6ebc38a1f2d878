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
#include <QLabel>
#include <QPainter>

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

TEST(StatusIconRendererTest, TheHoleIsClearForEveryStateButIdle)
{
    if (!IconProvider::isRenderingAvailable()) {
        GTEST_SKIP() << "no SVG image plugin";
    }
    const IconProvider icons;
    // Below 44 pixels the hole is too narrow for a clear pixel between its rim and the symbol.
    for (const auto &[size, ratio] : {std::pair{22, 2.0}, {24, 2.0}, {32, 1.0}, {32, 2.0}}) {
        const int pixels = qRound(size * ratio);
        const int outline = MenuBarTransferFeedbackIconRenderer::outlineWidth(pixels);
        const int inner = pixels - 2 * outline;
        const QRectF hole = MenuBarTransferFeedbackIconRenderer::holeRect(inner).translated(outline, outline);
        const qreal symbolLeft = pixels / 2.0 - 0.92 * hole.height() / 2;
        // Inside the hole, halfway between its rim and the centred symbol.
        const QPoint probe(qRound((hole.left() + symbolLeft) / 2), pixels / 2);
        const QImage idle = MenuBarTransferFeedbackIconRenderer::image(icons, State::Idle, false, size, ratio);
        EXPECT_EQ(idle.width(), pixels);
        EXPECT_GT(qAlpha(idle.pixel(probe)), 200) << size << "@" << ratio;
        for (const State state : {State::PendingUpdate, State::InProgress, State::Success, State::Warning}) {
            const QImage image = MenuBarTransferFeedbackIconRenderer::image(icons, state, true, size, ratio);
            EXPECT_EQ(qAlpha(image.pixel(probe)), 0) << int(state) << " " << size << "@" << ratio;
            // The symbol is there.
            const QImage symbol = image.copy(QRect(pixels / 3, pixels / 3, pixels / 3, pixels / 3));
            bool inked = false;
            for (int y = 0; y < symbol.height(); ++y) {
                for (int x = 0; x < symbol.width(); ++x) {
                    inked = inked || qAlpha(symbol.pixel(x, y)) > 128;
                }
            }
            EXPECT_TRUE(inked) << int(state) << " " << size;
        }
    }
}

TEST(StatusIconRendererTest, PicturesOnLightAndDarkPanels)
{
    const IconProvider icons;
    const std::pair<State, bool> frames[]
        = {{State::Idle, false},      {State::PendingUpdate, false}, {State::InProgress, false},
           {State::InProgress, true}, {State::Success, false},       {State::Warning, false}};
    // Each icon at its size, and beside the sheet three times larger so the pixels can be seen.
    const int cell = 44;
    QImage sheet(cell * 12, cell * 2, QImage::Format_ARGB32);
    QPainter painter(&sheet);
    const QColor panels[] = {QColor(0xf0, 0xf0, 0xf0), QColor(0x24, 0x24, 0x28)};
    for (int row = 0; row < 2; ++row) {
        painter.fillRect(0, row * cell, sheet.width(), cell, panels[row]);
        int column = 0;
        for (const int size : {22, 32}) {
            for (const auto &[state, alternate] : frames) {
                const QImage image = MenuBarTransferFeedbackIconRenderer::image(icons, state, alternate, size);
                painter.drawImage(column * cell + (cell - size) / 2, row * cell + (cell - size) / 2, image);
                ++column;
            }
        }
    }
    painter.end();
    QImage zoomed(sheet.width(), sheet.height() * 4, QImage::Format_ARGB32);
    QPainter zoom(&zoomed);
    zoom.drawImage(0, 0, sheet);
    zoom.drawImage(QRect(0, sheet.height(), sheet.width(), sheet.height() * 3),
                   sheet.copy(0, 0, sheet.width() / 3, sheet.height()).scaled(sheet.width(), sheet.height() * 3));
    zoom.end();
    QLabel label;
    label.setPixmap(QPixmap::fromImage(zoomed));
    saveShot(label, QStringLiteral("tray-status-icon-states"));
}

TEST(StatusIconRendererTest, TheLogoLookupIsLogged)
{
    RecordingLoggerFactory logs;
    EXPECT_EQ(VerandelUILogoAsset::isAvailable(IconProvider(), logs), IconProvider::isRenderingAvailable());
    EXPECT_EQ(logs.messages(LogLevel::Info, QStringLiteral("ModuleResourcesBundle")).size(), 1);
}

// Some of the glyph stands out clearly against a light and a dark panel alike.
TEST(StatusIconRendererTest, EveryStateReadsOnLightAndDarkPanels)
{
    const IconProvider icons;
    for (const QColor panel : {QColor(0xf0, 0xf0, 0xf0), QColor(0x24, 0x24, 0x28)}) {
        for (const State state :
             {State::Idle, State::PendingUpdate, State::InProgress, State::Success, State::Warning}) {
            const QImage glyph = MenuBarTransferFeedbackIconRenderer::image(icons, state, false, 22);
            QImage shown(glyph.size(), QImage::Format_RGB32);
            shown.fill(panel);
            QPainter(&shown).drawImage(0, 0, glyph);
            int standingOut = 0;
            for (int y = 0; y < shown.height(); ++y) {
                for (int x = 0; x < shown.width(); ++x) {
                    standingOut += Theme::contrastRatio(shown.pixelColor(x, y), panel) >= 4.5 ? 1 : 0;
                }
            }
            EXPECT_GT(standingOut, 22 * 22 / 8) << int(state) << " on " << panel.name().toStdString();
        }
    }
}
