#pragma once

#include <QString>
#include <QStringView>

#include <array>
#include <optional>

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

inline constexpr std::array<OperationFailureCategory, 9> allOperationFailureCategories{
    OperationFailureCategory::Timeout,
    OperationFailureCategory::Cancelled,
    OperationFailureCategory::PermissionDenied,
    OperationFailureCategory::NetworkUnavailable,
    OperationFailureCategory::PeerUnavailable,
    OperationFailureCategory::ValidationFailed,
    OperationFailureCategory::UnsupportedDevice,
    OperationFailureCategory::Conflict,
    OperationFailureCategory::Unknown};

QString toString(OperationFailureCategory category);
// Exactly the nine case names; nothing for any other text.
std::optional<OperationFailureCategory> operationFailureCategoryFromString(QStringView text);

} // namespace verandel
