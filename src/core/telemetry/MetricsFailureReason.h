#pragma once

#include "foundation/EnumText.h"

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

template <>
inline constexpr auto enumTexts<MetricsFailureReason> = std::to_array<EnumText<MetricsFailureReason>>({
    {MetricsFailureReason::Timeout, u"timeout"},
    {MetricsFailureReason::Cancelled, u"cancelled"},
    {MetricsFailureReason::PermissionDenied, u"permission_denied"},
    {MetricsFailureReason::NetworkUnavailable, u"network_unavailable"},
    {MetricsFailureReason::PeerUnavailable, u"peer_unavailable"},
    {MetricsFailureReason::ValidationFailed, u"validation_failed"},
    {MetricsFailureReason::UnsupportedDevice, u"unsupported_device"},
    {MetricsFailureReason::Conflict, u"conflict"},
    {MetricsFailureReason::Unknown, u"unknown"},
});

inline std::optional<MetricsFailureReason> metricsFailureReasonFromString(QStringView text)
{
    return enumFromString<MetricsFailureReason>(text);
}

} // namespace verandel
