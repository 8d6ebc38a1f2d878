#include "telemetry/MetricsBuildType.h"

namespace verandel {

QString toString(MetricsBuildType value)
{
    switch (value) {
    case MetricsBuildType::Release: return QStringLiteral("release");
    case MetricsBuildType::NonRelease: return QStringLiteral("non_release");
    }
    return {};
}

std::optional<MetricsBuildType> metricsBuildTypeFromString(QStringView text)
{
    for (MetricsBuildType value : allMetricsBuildTypes) {
        if (text == toString(value)) {
            return value;
        }
    }
    return std::nullopt;
}

} // namespace verandel
