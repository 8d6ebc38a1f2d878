#pragma once

#include <QString>
#include <QStringView>

#include <array>
#include <optional>

namespace verandel {

// The outcome of a pairing or unpairing.
enum class MetricsResult { Success, Failure, Cancelled };

inline constexpr std::array<MetricsResult, 3> allMetricsResults{MetricsResult::Success, MetricsResult::Failure,
                                                                MetricsResult::Cancelled};

// "success", "failure", "cancelled".
QString toString(MetricsResult value);
std::optional<MetricsResult> metricsResultFromString(QStringView text);

} // namespace verandel
