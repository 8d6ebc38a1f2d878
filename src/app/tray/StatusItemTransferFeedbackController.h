#pragma once

#include "tray/MenuBarTransferFeedbackVisualState.h"
#include "tray/StatusIconSink.h"

#include "foundation/DelayedCall.h"

#include "kit/IconProvider.h"
#include "transfer/ControlTransferProgress.h"

#include <QHash>

#include <memory>
#include <optional>

namespace verandel {

// The one owner of the tray icon's picture: it follows every transfer step (a pulse while a transfer
// runs, a check mark for 1.5 s after a success, an exclamation mark until the user looks), the user's
// own attempts, and an update badge while idle. Each state's frames are drawn once and kept; the sink
// is held weakly and only told what changed. The pulse and the return to idle run on the clock.
class StatusItemTransferFeedbackController
{
public:
    static constexpr double defaultSuccessDwell = 1.5;
    static constexpr double defaultAnimationInterval = 0.6;

    StatusItemTransferFeedbackController(std::weak_ptr<StatusIconSink> sink, IconProviderPtr icons, ClockPtr clock,
                                         double successDwell = defaultSuccessDwell,
                                         double animationInterval = defaultAnimationInterval);

    MenuBarTransferFeedbackVisualState visualState() const { return m_visualState; }
    bool usesAlternatePhase() const { return m_animationUsesFillVariant; }
    std::optional<QString> activeTransactionId() const { return m_activeTransactionId; }
    bool isPulsing() const { return m_animation.isPending(); }

    // Repeated in-progress steps of the transfer already shown leave the pulse alone.
    void apply(const ControlTransferProgress &progress);
    // The user starts a transfer from the menu: a shown outcome goes away.
    void beginTransferAttempt();
    // A transfer from the menu could not start.
    void showWarningOutcome();
    // The user opened the Control Center: a warning goes away.
    void clearOutcomeAfterManualInspection();
    // Takes effect at once while idle, else at the next return to idle.
    void setPendingUpdateBadgeVisible(bool visible);
    // A letter drawn on every picture (mock mode's profile); empty for none.
    void setProfileBadge(const QString &letter);
    const QString &profileBadge() const { return m_profileBadge; }

private:
    void enter(MenuBarTransferFeedbackVisualState state, const QString &transactionId);
    void startPulse(const QString &transactionId);
    void stopPulse();
    void scheduleReturnToIdle(const QString &transactionId);
    void resetToIdle();
    void applyIdlePresentation();
    void draw();
    static int frameKey(MenuBarTransferFeedbackVisualState state, bool alternate);
    const QIcon &frame(MenuBarTransferFeedbackVisualState state, bool alternate);

    std::weak_ptr<StatusIconSink> m_sink;
    IconProviderPtr m_icons;
    double m_successDwell;
    double m_animationInterval;
    std::optional<QString> m_activeTransactionId;
    bool m_hasPendingUpdateBadge = false;
    bool m_animationUsesFillVariant = false;
    DelayedCall m_animation;
    DelayedCall m_successReset;
    MenuBarTransferFeedbackVisualState m_visualState = MenuBarTransferFeedbackVisualState::Idle;
    QString m_profileBadge;
    QHash<int, QIcon> m_frames;
    std::optional<int> m_shownFrame;
    std::optional<QString> m_shownToolTip;
};

} // namespace verandel
