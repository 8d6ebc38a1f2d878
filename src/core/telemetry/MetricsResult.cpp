#include "telemetry/MetricsResult.h"

#include "foundation/EnumText.h"

namespace verandel {

QString toString(MetricsResult value)
{
    switch (value) {
    case MetricsResult::Success: return QStringLiteral("success");
    case MetricsResult::Failure: return QStringLiteral("failure");
    case MetricsResult::Cancelled: return QStringLiteral("cancelled");
    }
    return {};
}

std::optional<MetricsResult> metricsResultFromString(QStringView text)
{
    return enumFromString(allMetricsResults, text);
}

} // namespace verandel
