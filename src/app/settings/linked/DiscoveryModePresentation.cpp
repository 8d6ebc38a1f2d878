#include "settings/linked/DiscoveryModePresentation.h"

namespace verandel {

DiscoveryModePresentation DiscoveryModePresentation::of(const Inputs &inputs)
{
    using State = DiscoveryPermissionGuidanceState;
    DiscoveryModePresentation shown;
    const bool inlinePermissionFlow = inputs.guidance.has_value() && !inputs.discoveryActive;

    shown.showsSwitch = !inlinePermissionFlow;
    shown.switchOn = inputs.discoveryActive || inlinePermissionFlow;
    shown.switchEnabled = inputs.canEnableDiscovery;
    if (inlinePermissionFlow) {
        const bool preflight = *inputs.guidance == State::Preflight;
        shown.badgeText = preflight ? QStringLiteral("Pending") : QStringLiteral("Network discovery is off");
        shown.badgeIconName = preflight ? QStringLiteral("ellipsis.circle") : QStringLiteral("gearshape");
    }

    shown.showsStatus = inputs.discoveryActive || inputs.guidance.has_value();
    if (inputs.discoveryActive) {
        shown.statusText = QStringLiteral("Discovery is on until you leave this screen.");
        shown.statusIconName = QStringLiteral("dot.radiowaves.left.and.right");
        shown.statusColor = ThemeColor::Accent;
    } else if (inputs.guidance == State::Preflight) {
        shown.statusText = QStringLiteral("Waiting for the Local Network check");
        shown.statusIconName = QStringLiteral("hand.raised.circle");
    } else if (inputs.guidance == State::DeniedRecovery) {
        shown.statusText = QStringLiteral("Local Network is off: avahi-daemon is not reachable");
        shown.statusIconName = QStringLiteral("gearshape.2");
    }
    if (inputs.guidance == State::Preflight) {
        shown.secondaryStatusText = QStringLiteral("Finish the step below or cancel.");
    } else if (inputs.guidance == State::DeniedRecovery) {
        shown.secondaryStatusText = QStringLiteral("Turn it back on below, then finish turning Discovery Mode on.");
    }

    if (inputs.discoveryActive && inputs.hasSecurityCode) {
        shown.content = Content::ActiveSection;
    } else if (inputs.hasGuidanceConfiguration) {
        shown.content = Content::GuidanceCard;
    } else {
        shown.content = Content::SetupSteps;
    }
    return shown;
}

QList<DiscoveryModePresentation::Step> DiscoveryModePresentation::setupSteps()
{
    return {
        {QStringLiteral("1.circle.fill"), QStringLiteral("Open Verandel on the other computer.")},
        {QStringLiteral("2.circle.fill"), QStringLiteral("Turn on Discovery Mode on both computers.")},
        {QStringLiteral("3.circle.fill"),
         QStringLiteral("Verify the matching security code, then accept the request.")},
    };
}

} // namespace verandel
