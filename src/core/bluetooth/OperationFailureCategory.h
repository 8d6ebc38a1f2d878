#pragma once

#include "foundation/EnumText.h"

namespace verandel {

// Why a Bluetooth operation failed. The text form is the case name as written ("permissionDenied").
enum class OperationFailureCategory {
    Timeout,
    Cancelled,
    PermissionDenied,
    NetworkUnavailable,
    PeerUnavailable,
    ValidationFailed,
    UnsupportedDevice,
    Conflict,
    Unknown,
};

template <>
inline constexpr auto enumTexts<OperationFailureCategory> = std::to_array<EnumText<OperationFailureCategory>>({
    {OperationFailureCategory::Timeout, u"timeout"},
    {OperationFailureCategory::Cancelled, u"cancelled"},
    {OperationFailureCategory::PermissionDenied, u"permissionDenied"},
    {OperationFailureCategory::NetworkUnavailable, u"networkUnavailable"},
    {OperationFailureCategory::PeerUnavailable, u"peerUnavailable"},
    {OperationFailureCategory::ValidationFailed, u"validationFailed"},
    {OperationFailureCategory::UnsupportedDevice, u"unsupportedDevice"},
    {OperationFailureCategory::Conflict, u"conflict"},
    {OperationFailureCategory::Unknown, u"unknown"},
});

inline constexpr auto allOperationFailureCategories = enumValues<OperationFailureCategory>();

// Exactly the nine case names; nothing for any other text.
inline std::optional<OperationFailureCategory> operationFailureCategoryFromString(QStringView text)
{
    return enumFromString<OperationFailureCategory>(text);
}

} // namespace verandel
