#pragma once

#include <QString>
#include <QStringView>

#include <array>
#include <optional>

namespace verandel {

// Where one run of Discovery Mode stands.
enum class DiscoverySessionState { Idle, Starting, Discovering, Failed, Stopped };

inline constexpr std::array<DiscoverySessionState, 5> allDiscoverySessionStates{
    DiscoverySessionState::Idle, DiscoverySessionState::Starting, DiscoverySessionState::Discovering,
    DiscoverySessionState::Failed, DiscoverySessionState::Stopped};

// "idle", "starting", "discovering", "failed", "stopped".
QString toString(DiscoverySessionState state);
std::optional<DiscoverySessionState> discoverySessionStateFromString(QStringView text);
// "Idle", "Starting", …
QString displayName(DiscoverySessionState state);
// Starting or discovering.
bool isActive(DiscoverySessionState state);
// Failed or stopped.
bool isCompleted(DiscoverySessionState state);

} // namespace verandel
