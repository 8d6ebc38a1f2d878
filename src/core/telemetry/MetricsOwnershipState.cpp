#include "telemetry/MetricsOwnershipState.h"

#include "foundation/EnumText.h"

namespace verandel {

QString toString(MetricsOwnershipState value)
{
    switch (value) {
    case MetricsOwnershipState::Local: return QStringLiteral("local");
    case MetricsOwnershipState::Peer: return QStringLiteral("peer");
    case MetricsOwnershipState::Revoked: return QStringLiteral("revoked");
    }
    return {};
}

std::optional<MetricsOwnershipState> metricsOwnershipStateFromString(QStringView text)
{
    return enumFromString(allMetricsOwnershipStates, text);
}

} // namespace verandel
