#pragma once

#include <QString>
#include <QStringView>

#include <array>
#include <optional>

namespace verandel {

// The discovery service's state machine for Discovery Mode (background advertising runs apart).
enum class DiscoveryServiceState { Idle, Starting, Active, Stopping, Error };

inline constexpr std::array<DiscoveryServiceState, 5> allDiscoveryServiceStates{
    DiscoveryServiceState::Idle, DiscoveryServiceState::Starting, DiscoveryServiceState::Active,
    DiscoveryServiceState::Stopping, DiscoveryServiceState::Error};

// "idle", "starting", "active", "stopping", "error".
QString toString(DiscoveryServiceState state);
std::optional<DiscoveryServiceState> discoveryServiceStateFromString(QStringView text);
// "Idle", "Starting", …
QString displayName(DiscoveryServiceState state);
// Active only.
bool isActive(DiscoveryServiceState state);
// Idle, and error: a start is the way out of a transport failure.
bool canStartDiscovery(DiscoveryServiceState state);
// Starting or active.
bool canStopDiscovery(DiscoveryServiceState state);

} // namespace verandel
