#pragma once

#include "models/DiscoveryPermissionGuidanceState.h"

#include "bluetooth/SystemPermissionStatus.h"
#include "linking/ConnectionRequest.h"
#include "linking/DiscoveryServiceState.h"
#include "records/ConnectedMac.h"
#include "records/DiscoverableMac.h"

#include <QList>

#include <optional>

namespace verandel {

// What the Linked Computers view model derives from what its services publish, as plain functions.
class ConnectedMacsRules
{
public:
    ConnectedMacsRules() = delete;

    // By name (canonical form, code points, case-sensitive: "Beta" before "alpha"); equal names keep
    // the order they came in.
    static QList<ConnectedMac> sortedByName(QList<ConnectedMac> macs);

    // The computers that advertise a code (an empty one counts), in the order given.
    static QList<DiscoverableMac> withSecurityCode(const QList<DiscoverableMac> &macs);

    // Whether a computer's code can be compared with this one's: present and not blank.
    static bool hasComparableSecurityCode(const DiscoverableMac &mac);

    // The Local Network card after a start, a stop or at construction: none while Discovery Mode runs.
    static std::optional<DiscoveryPermissionGuidanceState> guidanceFor(bool discoveryActive,
                                                                       SystemPermissionStatus status);

    // The switch can be used while Discovery Mode runs, while the service is idle, or while a card
    // waits for the user.
    static bool canEnableDiscovery(bool discoveryActive, DiscoveryServiceState state,
                                   std::optional<DiscoveryPermissionGuidanceState> guidance);

    // Of the requests with that computer, the latest; the first of equally late ones.
    static std::optional<ConnectionRequest> latestRequest(const QList<ConnectionRequest> &requests,
                                                          const QUuid &otherMacId);
};

} // namespace verandel
