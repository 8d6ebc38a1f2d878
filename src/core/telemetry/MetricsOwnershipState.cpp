#include "telemetry/MetricsOwnershipState.h"

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
    for (MetricsOwnershipState value : allMetricsOwnershipStates) {
        if (text == toString(value)) {
            return value;
        }
    }
    return std::nullopt;
}

} // namespace verandel
