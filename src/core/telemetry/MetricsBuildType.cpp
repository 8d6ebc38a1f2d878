#include "telemetry/MetricsBuildType.h"

#include "foundation/EnumText.h"

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
    return enumFromString(allMetricsBuildTypes, text);
}

} // namespace verandel
