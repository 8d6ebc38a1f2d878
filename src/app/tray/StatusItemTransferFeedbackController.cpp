#include "tray/StatusItemTransferFeedbackController.h"

#include "tray/MenuBarTransferFeedbackIconRenderer.h"
#include "tray/MenuBarTransferFeedbackPolicy.h"

#include <QUuid>

namespace verandel {

using State = MenuBarTransferFeedbackVisualState;

StatusItemTransferFeedbackController::StatusItemTransferFeedbackController(std::weak_ptr<StatusIconSink> sink,
                                                                           IconProviderPtr icons, ClockPtr clock,
                                                                           double successDwell,
                                                                           double animationInterval)
    : m_sink(std::move(sink))
    , m_icons(std::move(icons))
    , m_successDwell(successDwell)
    , m_animationInterval(animationInterval)
    , m_animation(clock)
    , m_successReset(clock)
{
    draw();
}

void StatusItemTransferFeedbackController::apply(const ControlTransferProgress &progress)
{
    const State state = MenuBarTransferFeedbackPolicy::visualState(progress);
    if (state == State::InProgress && m_visualState == State::InProgress
        && m_activeTransactionId == progress.transactionId) {
        return;
    }
    enter(state, progress.transactionId);
}

void StatusItemTransferFeedbackController::beginTransferAttempt()
{
    if (MenuBarTransferFeedbackPolicy::shouldClearForNewAttempt(m_visualState)) {
        resetToIdle();
    }
}

void StatusItemTransferFeedbackController::clearOutcomeAfterManualInspection()
{
    if (MenuBarTransferFeedbackPolicy::shouldClearAfterManualInspection(m_visualState)) {
        resetToIdle();
    }
}

void StatusItemTransferFeedbackController::showWarningOutcome()
{
    enter(State::Warning, QUuid::createUuid().toString(QUuid::WithoutBraces).toLower());
}

void StatusItemTransferFeedbackController::setPendingUpdateBadgeVisible(bool visible)
{
    m_hasPendingUpdateBadge = visible;
    if (m_visualState == State::Idle || m_visualState == State::PendingUpdate) {
        applyIdlePresentation();
    }
}

void StatusItemTransferFeedbackController::setProfileBadge(const QString &letter)
{
    if (letter == m_profileBadge) {
        return;
    }
    m_profileBadge = letter;
    m_frames.clear();
    m_shownFrame.reset();
    draw();
}

void StatusItemTransferFeedbackController::enter(State state, const QString &transactionId)
{
    m_visualState = state;
    m_activeTransactionId = transactionId;
    switch (state) {
    case State::InProgress:
        m_successReset.cancel();
        m_animationUsesFillVariant = false;
        draw();
        startPulse(transactionId);
        return;
    case State::Success:
        stopPulse();
        draw();
        scheduleReturnToIdle(transactionId);
        return;
    case State::Warning:
        m_successReset.cancel();
        stopPulse();
        draw();
        return;
    case State::Idle:
    case State::PendingUpdate: break;
    }
    m_successReset.cancel();
    stopPulse();
    applyIdlePresentation();
}

void StatusItemTransferFeedbackController::startPulse(const QString &transactionId)
{
    stopPulse();
    if (m_sink.expired()) {
        return;
    }
    m_animation.startRepeating(m_animationInterval, [this, transactionId] {
        if (m_visualState == State::InProgress && m_activeTransactionId == transactionId) {
            m_animationUsesFillVariant = !m_animationUsesFillVariant;
            draw();
        }
    });
}

void StatusItemTransferFeedbackController::stopPulse()
{
    m_animation.cancel();
    m_animationUsesFillVariant = false;
}

void StatusItemTransferFeedbackController::scheduleReturnToIdle(const QString &transactionId)
{
    m_successReset.start(m_successDwell, [this, transactionId] {
        if (m_activeTransactionId == transactionId) {
            m_activeTransactionId.reset();
            stopPulse();
            applyIdlePresentation();
        }
    });
}

void StatusItemTransferFeedbackController::resetToIdle()
{
    m_activeTransactionId.reset();
    m_successReset.cancel();
    stopPulse();
    applyIdlePresentation();
}

void StatusItemTransferFeedbackController::applyIdlePresentation()
{
    m_visualState = m_hasPendingUpdateBadge ? State::PendingUpdate : State::Idle;
    draw();
}

void StatusItemTransferFeedbackController::draw()
{
    const std::shared_ptr<StatusIconSink> sink = m_sink.lock();
    if (!sink) {
        return;
    }
    const int key = frameKey(m_visualState, m_animationUsesFillVariant);
    if (m_shownFrame != key) {
        m_shownFrame = key;
        sink->setIcon(frame(m_visualState, m_animationUsesFillVariant));
    }
    const QString toolTip = MenuBarTransferFeedbackSymbolPolicy::accessibilityDescription(m_visualState);
    if (m_shownToolTip != toolTip) {
        m_shownToolTip = toolTip;
        sink->setToolTip(toolTip);
    }
}

int StatusItemTransferFeedbackController::frameKey(State state, bool alternate)
{
    return static_cast<int>(state) * 2 + (alternate && state == State::InProgress ? 1 : 0);
}

const QIcon &StatusItemTransferFeedbackController::frame(State state, bool alternate)
{
    const bool phase = alternate && state == State::InProgress;
    const int key = frameKey(state, alternate);
    auto found = m_frames.find(key);
    if (found == m_frames.end()) {
        found = m_frames.insert(key, MenuBarTransferFeedbackIconRenderer::icon(*m_icons, state, phase, m_profileBadge));
    }
    return *found;
}

} // namespace verandel
