#pragma once

#include <QString>
#include <QStringView>

#include <array>
#include <optional>

namespace verandel {

// The new ownership of a device.
enum class MetricsOwnershipState { Local, Peer, Revoked };

inline constexpr std::array<MetricsOwnershipState, 3> allMetricsOwnershipStates{
    MetricsOwnershipState::Local, MetricsOwnershipState::Peer, MetricsOwnershipState::Revoked};

// "local", "peer", "revoked".
QString toString(MetricsOwnershipState value);
std::optional<MetricsOwnershipState> metricsOwnershipStateFromString(QStringView text);

} // namespace verandel
