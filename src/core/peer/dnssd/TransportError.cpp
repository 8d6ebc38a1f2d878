#include "peer/dnssd/TransportError.h"

#include "foundation/JsonFields.h"

namespace verandel {

namespace {

using Kind = TransportError::Kind;

constexpr auto userDescriptions = std::to_array<EnumText<Kind>>({
    {Kind::NetworkUnavailable, u"The network is not available."},
    {Kind::PermissionDenied, u"The local network service (avahi-daemon) is not reachable."},
    {Kind::ServiceRegistrationFailed, u"This computer could not be announced on the local network."},
    {Kind::BrowsingFailed, u"Verandel could not look for computers on the local network."},
    {Kind::ConnectionFailed, u"The other computer could not be reached."},
    {Kind::MessageDeliveryFailed, u"The message did not reach the other computer."},
    {Kind::InvalidServiceInfo, u"The other computer announced itself with unusable details."},
    {Kind::TransportNotSupported, u"This is not supported on this computer."},
    {Kind::Timeout, u"This took too long. Try again."},
    {Kind::Unknown, u"Something went wrong on the local network."},
});

} // namespace

QStringList TransportErrorCases::arguments(const Payload &payload)
{
    return {json::uuidToString(payload.macId), payload.detail};
}

QString TransportError::userDescription() const
{
    return text(userDescriptions);
}

} // namespace verandel
