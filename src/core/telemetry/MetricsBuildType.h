#pragma once

#include <QString>
#include <QStringView>

#include <array>
#include <optional>

namespace verandel {

// Whether the program was built as a release package.
enum class MetricsBuildType { Release, NonRelease };

inline constexpr std::array<MetricsBuildType, 2> allMetricsBuildTypes{MetricsBuildType::Release,
                                                                      MetricsBuildType::NonRelease};

// "release", "non_release".
QString toString(MetricsBuildType value);
std::optional<MetricsBuildType> metricsBuildTypeFromString(QStringView text);

} // namespace verandel
