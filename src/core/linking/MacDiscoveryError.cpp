#include "linking/MacDiscoveryError.h"

namespace verandel {

namespace {

using Kind = MacDiscoveryError::Kind;

constexpr auto userDescriptions = std::to_array<EnumText<Kind>>({
    {Kind::InvalidState, u"Discovery Mode is busy. Try again in a moment."},
    {Kind::InvalidSecurityCode, u"The security code is not valid."},
    {Kind::ConnectionFailed, u"The other computer could not be reached."},
    // The service words this one for the user already.
    {Kind::PermissionDenied, u"%1"},
    {Kind::TransportNotSupported, u"This is not supported on this computer."},
    {Kind::Timeout, u"This took too long. Try again."},
    {Kind::TransportUnavailable, u"The local network service (avahi-daemon) is not reachable."},
    {Kind::NetworkError, u"The network is not available."},
});

} // namespace

QString MacDiscoveryError::userDescription() const
{
    return KindError::text(userDescriptions);
}

} // namespace verandel
