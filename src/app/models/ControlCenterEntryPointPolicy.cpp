#include "models/ControlCenterEntryPointPolicy.h"

namespace verandel {

InitialActivationRoutingDecision
ControlCenterEntryPointPolicy::initialActivationDecision(bool hasHandledInitialUserActivation,
                                                         bool hasVisibleVerandelWindow, bool isStatusMenuOpen)
{
    if (hasHandledInitialUserActivation || isStatusMenuOpen) {
        return InitialActivationRoutingDecision::None;
    }
    return hasVisibleVerandelWindow ? InitialActivationRoutingDecision::MarkHandledWithoutPresentation
                                    : InitialActivationRoutingDecision::PresentControlCenter;
}

ControlCenterReopenRoutingDecision ControlCenterEntryPointPolicy::reopenDecision(bool hasVisibleVerandelWindow)
{
    return hasVisibleVerandelWindow ? ControlCenterReopenRoutingDecision::BringVisibleWindowForward
                                    : ControlCenterReopenRoutingDecision::PresentControlCenter;
}

} // namespace verandel
