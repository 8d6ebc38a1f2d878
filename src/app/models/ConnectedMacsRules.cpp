#include "models/ConnectedMacsRules.h"

#include "models/PermissionGuidanceCards.h"

#include "records/NameOrdering.h"

#include <algorithm>

namespace verandel {

QList<ConnectedMac> ConnectedMacsRules::sortedByName(QList<ConnectedMac> macs)
{
    std::stable_sort(macs.begin(), macs.end(),
                     [](const ConnectedMac &a, const ConnectedMac &b) { return compareNames(a.name(), b.name()) < 0; });
    return macs;
}

QList<DiscoverableMac> ConnectedMacsRules::withSecurityCode(const QList<DiscoverableMac> &macs)
{
    QList<DiscoverableMac> kept;
    std::copy_if(macs.cbegin(), macs.cend(), std::back_inserter(kept),
                 [](const DiscoverableMac &mac) { return mac.securityCode().has_value(); });
    return kept;
}

bool ConnectedMacsRules::hasComparableSecurityCode(const DiscoverableMac &mac)
{
    return mac.securityCode().has_value() && !mac.securityCode()->trimmed().isEmpty();
}

std::optional<DiscoveryPermissionGuidanceState> ConnectedMacsRules::guidanceFor(bool discoveryActive,
                                                                                SystemPermissionStatus status)
{
    if (discoveryActive) {
        return std::nullopt;
    }
    return PermissionGuidanceCards::localNetworkState(status);
}

bool ConnectedMacsRules::canEnableDiscovery(bool discoveryActive, DiscoveryServiceState state,
                                            std::optional<DiscoveryPermissionGuidanceState> guidance)
{
    return discoveryActive || state == DiscoveryServiceState::Idle || guidance.has_value();
}

std::optional<ConnectionRequest> ConnectedMacsRules::latestRequest(const QList<ConnectionRequest> &requests,
                                                                   const QUuid &otherMacId)
{
    std::optional<ConnectionRequest> latest;
    for (const ConnectionRequest &request : requests) {
        if (request.otherMacId() == otherMacId && (!latest || request.timestamp() > latest->timestamp())) {
            latest = request;
        }
    }
    return latest;
}

} // namespace verandel
