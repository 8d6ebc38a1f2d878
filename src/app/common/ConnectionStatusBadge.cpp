#include "common/ConnectionStatusBadge.h"

namespace verandel {

namespace {

constexpr double quietFill = 0.12;
constexpr double strongFill = 0.14;

} // namespace

ConnectionStatusBadge::ConnectionStatusBadge(IconProviderPtr icons, QWidget *parent)
    : CapsuleBadge(std::move(icons), parent)
{
    setConnectionRequest(std::nullopt);
}

void ConnectionStatusBadge::setConnectionRequest(const std::optional<ConnectionRequest> &request)
{
    const Content content = contentFor(request);
    setContent(content.text, content.iconName,
               BadgeLook::tinted(content.color, content.fillOpacity, BadgeLook::Shape::Rounded));
    setAccessibleText(content.accessibleText);
}

ConnectionStatusBadge::Content ConnectionStatusBadge::contentFor(const std::optional<ConnectionRequest> &request)
{
    const Content ready{QStringLiteral("circle"), QStringLiteral("Ready to Connect"),
                        QStringLiteral("Ready to connect"), ThemeColor::SecondaryText, quietFill};
    if (!request) {
        return ready;
    }
    const bool incoming = request->direction() == ConnectionDirection::Incoming;
    switch (request->state()) {
    case ConnectionRequestState::None: return ready;
    case ConnectionRequestState::Connected:
        return {QStringLiteral("checkmark.circle"), QStringLiteral("Connected"), QStringLiteral("Connected"),
                ThemeColor::Green, strongFill};
    case ConnectionRequestState::Pending:
        return incoming ? Content{QStringLiteral("arrow.down.circle"), QStringLiteral("Incoming"),
                                  QStringLiteral("Incoming connection request"), ThemeColor::Orange, strongFill}
                        : Content{QStringLiteral("hourglass"), QStringLiteral("Waiting…"),
                                  QStringLiteral("Waiting for connection acceptance"), ThemeColor::Accent, strongFill};
    case ConnectionRequestState::Rejected:
        return incoming ? Content{QStringLiteral("xmark.circle"), QStringLiteral("Discarded"),
                                  QStringLiteral("Discarded incoming connection request"), ThemeColor::Red, quietFill}
                        : Content{QStringLiteral("xmark.circle"), QStringLiteral("Declined"),
                                  QStringLiteral("Connection request declined"), ThemeColor::Red, quietFill};
    }
    return ready;
}

} // namespace verandel
