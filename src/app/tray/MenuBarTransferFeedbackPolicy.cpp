#include "tray/MenuBarTransferFeedbackPolicy.h"

namespace verandel {

using State = MenuBarTransferFeedbackVisualState;

MenuBarTransferFeedbackVisualState MenuBarTransferFeedbackPolicy::visualState(const ControlTransferProgress &progress)
{
    using namespace ProgressStatus;
    const auto &status = progress.status;
    if (std::holds_alternative<Blocked>(status) || std::holds_alternative<Failed>(status)
        || std::holds_alternative<Cancelled>(status) || std::holds_alternative<UserActionRequired>(status)) {
        return State::Warning;
    }
    return std::holds_alternative<Success>(status) ? State::Success : State::InProgress;
}

bool MenuBarTransferFeedbackPolicy::shouldClearAfterManualInspection(MenuBarTransferFeedbackVisualState state)
{
    return state == State::Warning;
}

bool MenuBarTransferFeedbackPolicy::shouldClearForNewAttempt(MenuBarTransferFeedbackVisualState state)
{
    return state == State::Success || state == State::Warning;
}

QString MenuBarTransferFeedbackSymbolPolicy::symbolName(MenuBarTransferFeedbackVisualState state)
{
    switch (state) {
    case State::Idle: break;
    case State::PendingUpdate: return QStringLiteral("arrow.down.circle");
    case State::InProgress: return QStringLiteral("arrow.left.arrow.right");
    case State::Success: return QStringLiteral("checkmark");
    case State::Warning: return QStringLiteral("exclamationmark");
    }
    return {};
}

double MenuBarTransferFeedbackSymbolPolicy::pointSize(MenuBarTransferFeedbackVisualState state, bool usesAlternatePhase)
{
    switch (state) {
    case State::Idle: return 0;
    case State::PendingUpdate: return 13;
    case State::InProgress: return usesAlternatePhase ? 14 : 12;
    case State::Success:
    case State::Warning: break;
    }
    return 14;
}

double MenuBarTransferFeedbackSymbolPolicy::opacity(MenuBarTransferFeedbackVisualState state, bool usesAlternatePhase)
{
    return state == State::InProgress && !usesAlternatePhase ? 0.68 : 1.0;
}

QString MenuBarTransferFeedbackSymbolPolicy::accessibilityDescription(MenuBarTransferFeedbackVisualState state)
{
    switch (state) {
    case State::Idle: return QStringLiteral("Verandel idle");
    case State::PendingUpdate: return QStringLiteral("Update available");
    case State::InProgress: return QStringLiteral("Transfer in progress");
    case State::Success: return QStringLiteral("Transfer complete");
    case State::Warning: break;
    }
    return QStringLiteral("Transfer attention needed");
}

} // namespace verandel
