#include "models/ToolbarConnectionStateTracking.h"

namespace verandel {

ConnectionStateMap ToolbarConnectionStateTracking::mergedStates(ConnectionStateMap current,
                                                                const std::optional<ConnectionStateChange> &latest)
{
    if (latest) {
        current.insert(latest->macId, latest->state);
    }
    return current;
}

ConnectionState ToolbarConnectionStateTracking::stateOf(const ConnectionStateMap &states, const QUuid &macId)
{
    return states.value(macId, ConnectionState::Disconnected);
}

} // namespace verandel
