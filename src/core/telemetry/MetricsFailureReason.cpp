#include "telemetry/MetricsFailureReason.h"

#include "foundation/EnumText.h"

namespace verandel {

QString toString(MetricsFailureReason value)
{
    switch (value) {
    case MetricsFailureReason::Timeout: return QStringLiteral("timeout");
    case MetricsFailureReason::Cancelled: return QStringLiteral("cancelled");
    case MetricsFailureReason::PermissionDenied: return QStringLiteral("permission_denied");
    case MetricsFailureReason::NetworkUnavailable: return QStringLiteral("network_unavailable");
    case MetricsFailureReason::PeerUnavailable: return QStringLiteral("peer_unavailable");
    case MetricsFailureReason::ValidationFailed: return QStringLiteral("validation_failed");
    case MetricsFailureReason::UnsupportedDevice: return QStringLiteral("unsupported_device");
    case MetricsFailureReason::Conflict: return QStringLiteral("conflict");
    case MetricsFailureReason::Unknown: return QStringLiteral("unknown");
    }
    return {};
}

std::optional<MetricsFailureReason> metricsFailureReasonFromString(QStringView text)
{
    return enumFromString(allMetricsFailureReasons, text);
}

} // namespace verandel
