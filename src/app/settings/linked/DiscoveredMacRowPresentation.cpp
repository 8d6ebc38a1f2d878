#include "settings/linked/DiscoveredMacRowPresentation.h"

#include "models/ConnectedMacsRules.h"

namespace verandel {

DiscoveredMacRowPresentation DiscoveredMacRowPresentation::of(const DiscoverableMac &mac,
                                                              const std::optional<ConnectionRequest> &request)
{
    DiscoveredMacRowPresentation shown;
    shown.name = mac.name().isEmpty() ? QStringLiteral("Unknown computer") : mac.name();
    const bool comparable = ConnectedMacsRules::hasComparableSecurityCode(mac);
    if (comparable) {
        shown.securityCode = mac.securityCode();
    }
    // An advertised but blank code is one the user cannot compare.
    shown.unavailableCodeText = mac.securityCode() ? QStringLiteral("—") : QStringLiteral("Unavailable");

    const ConnectionRequestState state = request ? request->state() : ConnectionRequestState::None;
    switch (state) {
    case ConnectionRequestState::None:
        // A request that never left its first state is as good as none: Connect sends one. Without a code
        // to compare there is nothing the user could check before linking, so nothing is offered.
        shown.showsActionControls = comparable;
        shown.action = comparable ? Action::Request : Action::None;
        break;
    case ConnectionRequestState::Pending:
        shown.showsActionControls = true;
        if (request->direction() == ConnectionDirection::Incoming) {
            shown.accentColor = ThemeColor::Orange;
            shown.showsDualButton = true;
        } else {
            shown.action = Action::Cancel;
        }
        break;
    case ConnectionRequestState::Connected: shown.accentColor = ThemeColor::Green; break;
    case ConnectionRequestState::Rejected: shown.accentColor = ThemeColor::Red; break;
    }
    return shown;
}

} // namespace verandel
