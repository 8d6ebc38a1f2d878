#pragma once

#include "foundation/EnumText.h"

namespace verandel {

// Where one run of Discovery Mode stands.
enum class DiscoverySessionState { Idle, Starting, Discovering, Failed, Stopped };

template <>
inline constexpr auto enumTexts<DiscoverySessionState> = std::to_array<EnumText<DiscoverySessionState>>({
    {DiscoverySessionState::Idle, u"idle"},
    {DiscoverySessionState::Starting, u"starting"},
    {DiscoverySessionState::Discovering, u"discovering"},
    {DiscoverySessionState::Failed, u"failed"},
    {DiscoverySessionState::Stopped, u"stopped"},
});

inline std::optional<DiscoverySessionState> discoverySessionStateFromString(QStringView text)
{
    return enumFromString<DiscoverySessionState>(text);
}

// "Idle", "Starting", …
QString displayName(DiscoverySessionState state);
// Starting or discovering.
bool isActive(DiscoverySessionState state);
// Failed or stopped.
bool isCompleted(DiscoverySessionState state);

} // namespace verandel
