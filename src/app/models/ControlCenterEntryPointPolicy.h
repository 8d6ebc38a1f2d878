#pragma once

namespace verandel {

// What to do when the application is activated for the first time.
enum class InitialActivationRoutingDecision { None, MarkHandledWithoutPresentation, PresentControlCenter };

// What to do when the application is asked to reopen (launched again while running).
enum class ControlCenterReopenRoutingDecision { BringVisibleWindowForward, PresentControlCenter };

// Where activation leads; the shell keeps the flag and acts on the answer.
class ControlCenterEntryPointPolicy
{
public:
    ControlCenterEntryPointPolicy() = delete;

    // An open tray menu defers the decision: the shell leaves its flag unset and asks again later.
    static InitialActivationRoutingDecision initialActivationDecision(bool hasHandledInitialUserActivation,
                                                                      bool hasVisibleVerandelWindow,
                                                                      bool isStatusMenuOpen);
    static ControlCenterReopenRoutingDecision reopenDecision(bool hasVisibleVerandelWindow);
};

} // namespace verandel
