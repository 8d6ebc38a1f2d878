#include "telemetry/MetricsResult.h"

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
    for (MetricsResult value : allMetricsResults) {
        if (text == toString(value)) {
            return value;
        }
    }
    return std::nullopt;
}

} // namespace verandel
