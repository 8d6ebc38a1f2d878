#pragma once

#include "foundation/EnumText.h"

namespace verandel {

// The discovery service's state machine for Discovery Mode (background advertising runs apart).
enum class DiscoveryServiceState { Idle, Starting, Active, Stopping, Error };

template <>
inline constexpr auto enumTexts<DiscoveryServiceState> = std::to_array<EnumText<DiscoveryServiceState>>({
    {DiscoveryServiceState::Idle, u"idle"},
    {DiscoveryServiceState::Starting, u"starting"},
    {DiscoveryServiceState::Active, u"active"},
    {DiscoveryServiceState::Stopping, u"stopping"},
    {DiscoveryServiceState::Error, u"error"},
});

inline constexpr auto allDiscoveryServiceStates = enumValues<DiscoveryServiceState>();

inline std::optional<DiscoveryServiceState> discoveryServiceStateFromString(QStringView text)
{
    return enumFromString<DiscoveryServiceState>(text);
}

// "Idle", "Starting", …
QString displayName(DiscoveryServiceState state);
// Active only.
bool isActive(DiscoveryServiceState state);
// Idle, and error: a start is the way out of a transport failure.
bool canStartDiscovery(DiscoveryServiceState state);
// Starting or active.
bool canStopDiscovery(DiscoveryServiceState state);

} // namespace verandel
