#include "bluetooth/OperationFailureCategory.h"

#include "foundation/EnumText.h"

namespace verandel {

QString toString(OperationFailureCategory category)
{
    switch (category) {
    case OperationFailureCategory::Timeout: return QStringLiteral("timeout");
    case OperationFailureCategory::Cancelled: return QStringLiteral("cancelled");
    case OperationFailureCategory::PermissionDenied: return QStringLiteral("permissionDenied");
    case OperationFailureCategory::NetworkUnavailable: return QStringLiteral("networkUnavailable");
    case OperationFailureCategory::PeerUnavailable: return QStringLiteral("peerUnavailable");
    case OperationFailureCategory::ValidationFailed: return QStringLiteral("validationFailed");
    case OperationFailureCategory::UnsupportedDevice: return QStringLiteral("unsupportedDevice");
    case OperationFailureCategory::Conflict: return QStringLiteral("conflict");
    case OperationFailureCategory::Unknown: return QStringLiteral("unknown");
    }
    return QStringLiteral("unknown");
}

std::optional<OperationFailureCategory> operationFailureCategoryFromString(QStringView text)
{
    return enumFromString(allOperationFailureCategories, text);
}

} // namespace verandel
