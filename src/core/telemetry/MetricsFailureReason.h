#pragma once

#include <QString>
#include <QStringView>

#include <array>
#include <optional>

namespace verandel {

// Why an operation failed: one reason per Bluetooth failure category, in the same order.
enum class MetricsFailureReason {
    Timeout,
    Cancelled,
    PermissionDenied,
    NetworkUnavailable,
    PeerUnavailable,
    ValidationFailed,
    UnsupportedDevice,
    Conflict,
    Unknown
};

inline constexpr std::array<MetricsFailureReason, 9> allMetricsFailureReasons{MetricsFailureReason::Timeout,
                                                                              MetricsFailureReason::Cancelled,
                                                                              MetricsFailureReason::PermissionDenied,
                                                                              MetricsFailureReason::NetworkUnavailable,
                                                                              MetricsFailureReason::PeerUnavailable,
                                                                              MetricsFailureReason::ValidationFailed,
                                                                              MetricsFailureReason::UnsupportedDevice,
                                                                              MetricsFailureReason::Conflict,
                                                                              MetricsFailureReason::Unknown};

// "timeout", "cancelled", "permission_denied", "network_unavailable", "peer_unavailable", "validation_failed",
// "unsupported_device", "conflict", "unknown".
QString toString(MetricsFailureReason value);
std::optional<MetricsFailureReason> metricsFailureReasonFromString(QStringView text);

} // namespace verandel
