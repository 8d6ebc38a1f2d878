#pragma once

#include "kit/CapsuleBadge.h"

#include "linking/ConnectionRequest.h"

#include <optional>

namespace verandel {

// The compact badge telling where the link request with a nearby computer stands ("Ready to Connect",
// "Incoming", "Waiting…", "Connected", "Declined", "Discarded").
class ConnectionStatusBadge : public CapsuleBadge
{
    Q_OBJECT

public:
    struct Content
    {
        QString iconName;
        QString text;
        QString accessibleText;
        ThemeColor color = ThemeColor::SecondaryText;
        double fillOpacity = 0.12;

        friend bool operator==(const Content &, const Content &) = default;
    };

    explicit ConnectionStatusBadge(IconProviderPtr icons, QWidget *parent = nullptr);

    void setConnectionRequest(const std::optional<ConnectionRequest> &request);

    static Content contentFor(const std::optional<ConnectionRequest> &request);
};

} // namespace verandel
