#pragma once

#include "tray/MenuBarTransferFeedbackVisualState.h"

#include "transfer/ControlTransferProgress.h"

#include <QString>

namespace verandel {

// Which icon state a transfer step means, and which outcomes a user action puts away.
class MenuBarTransferFeedbackPolicy
{
public:
    MenuBarTransferFeedbackPolicy() = delete;

    // Blocked, failed, cancelled and user action required warn; success succeeds; every other step,
    // failed unpair and pair results included, is still in progress.
    static MenuBarTransferFeedbackVisualState visualState(const ControlTransferProgress &progress);
    // Opening the Control Center puts a warning away (a success ends by itself).
    static bool shouldClearAfterManualInspection(MenuBarTransferFeedbackVisualState state);
    static bool shouldClearForNewAttempt(MenuBarTransferFeedbackVisualState state);
};

// The symbol cut into the logo per state. The in-progress symbol pulses between a smaller, fainter
// base phase and a full-size alternate phase.
class MenuBarTransferFeedbackSymbolPolicy
{
public:
    MenuBarTransferFeedbackSymbolPolicy() = delete;

    // Empty for the plain logo.
    static QString symbolName(MenuBarTransferFeedbackVisualState state);
    static double pointSize(MenuBarTransferFeedbackVisualState state, bool usesAlternatePhase);
    static double opacity(MenuBarTransferFeedbackVisualState state, bool usesAlternatePhase);
    // Also the tray icon's tool tip.
    static QString accessibilityDescription(MenuBarTransferFeedbackVisualState state);
};

} // namespace verandel
