#pragma once

#include "foundation/EnumText.h"

namespace verandel {

// The new ownership of a device.
enum class MetricsOwnershipState { Local, Peer, Revoked };

template <>
inline constexpr auto enumTexts<MetricsOwnershipState> = std::to_array<EnumText<MetricsOwnershipState>>({
    {MetricsOwnershipState::Local, u"local"},
    {MetricsOwnershipState::Peer, u"peer"},
    {MetricsOwnershipState::Revoked, u"revoked"},
});

inline std::optional<MetricsOwnershipState> metricsOwnershipStateFromString(QStringView text)
{
    return enumFromString<MetricsOwnershipState>(text);
}

} // namespace verandel
