#pragma once

#include "linking/ConnectionState.h"

#include <QHash>
#include <QUuid>

#include <optional>

namespace verandel {

// Linked computer id -> its connection state; a missing entry means disconnected.
using ConnectionStateMap = QHash<QUuid, ConnectionState>;

// The last connection-state change received, laid over the states the view model knows.
struct ConnectionStateChange
{
    QUuid macId;
    ConnectionState state = ConnectionState::Disconnected;
    bool operator==(const ConnectionStateChange &) const = default;
};

class ToolbarConnectionStateTracking
{
public:
    ToolbarConnectionStateTracking() = delete;

    // The current states with the change's entry added or replaced.
    static ConnectionStateMap mergedStates(ConnectionStateMap current,
                                           const std::optional<ConnectionStateChange> &latest);
    // The entry, or disconnected without one.
    static ConnectionState stateOf(const ConnectionStateMap &states, const QUuid &macId);
};

} // namespace verandel
