#pragma once

#include "kit/ThemeColor.h"
#include "models/DiscoveryPermissionGuidanceState.h"

#include <QList>
#include <QString>

#include <optional>

namespace verandel {

// What the Discovery Mode screen shows, derived from the few values of its model it depends on.
struct DiscoveryModePresentation
{
    struct Inputs
    {
        bool discoveryActive = false;
        std::optional<DiscoveryPermissionGuidanceState> guidance;
        bool canEnableDiscovery = false;
        bool hasSecurityCode = false;
        bool hasGuidanceConfiguration = false;
    };

    // One setup step: its symbol and its text.
    struct Step
    {
        QString iconName;
        QString text;
    };

    enum class Content {
        ActiveSection, // the security code and the nearby computers
        GuidanceCard, // the Local Network card
        SetupSteps,
    };

    // The switch, or, while a card waits for the user, a badge in its place.
    bool showsSwitch = true;
    bool switchOn = false;
    bool switchEnabled = false;
    QString badgeText;
    QString badgeIconName;

    bool showsStatus = false;
    QString statusText;
    QString statusIconName;
    ThemeColor statusColor = ThemeColor::SecondaryText;
    // Says what to do about a raised card, whether or not Discovery Mode runs.
    std::optional<QString> secondaryStatusText;

    Content content = Content::SetupSteps;

    static DiscoveryModePresentation of(const Inputs &inputs);
    // The steps shown before Discovery Mode is on, in order.
    static QList<Step> setupSteps();

    friend bool operator==(const DiscoveryModePresentation &, const DiscoveryModePresentation &) = default;
};

} // namespace verandel
