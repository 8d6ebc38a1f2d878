#pragma once

#include "kit/ThemeColor.h"

#include "linking/ConnectionRequest.h"
#include "records/DiscoverableMac.h"

#include <QString>

#include <optional>

namespace verandel {

// What the row of a nearby computer shows and offers, given the request between the two computers.
struct DiscoveredMacRowPresentation
{
    // What the single button does.
    enum class Action { None, Request, Cancel };

    QString name;
    // The code as advertised, or none with the text shown instead.
    std::optional<QString> securityCode;
    QString unavailableCodeText;
    ThemeColor accentColor = ThemeColor::Accent;
    bool showsActionControls = false;
    // Accept and Reject instead of the single button.
    bool showsDualButton = false;
    Action action = Action::None;

    static DiscoveredMacRowPresentation of(const DiscoverableMac &mac, const std::optional<ConnectionRequest> &request);

    friend bool operator==(const DiscoveredMacRowPresentation &, const DiscoveredMacRowPresentation &) = default;
};

} // namespace verandel
