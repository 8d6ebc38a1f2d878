#include "bluetooth/SystemPermissionStatus.h"

#include "foundation/EnumText.h"

namespace verandel {

QString toString(SystemPermissionStatus status)
{
    switch (status) {
    case SystemPermissionStatus::Unknown: return QStringLiteral("unknown");
    case SystemPermissionStatus::Authorized: return QStringLiteral("authorized");
    case SystemPermissionStatus::Denied: return QStringLiteral("denied");
    }
    return QStringLiteral("unknown");
}

std::optional<SystemPermissionStatus> systemPermissionStatusFromString(QStringView text)
{
    return enumFromString(
        std::array{SystemPermissionStatus::Unknown, SystemPermissionStatus::Authorized, SystemPermissionStatus::Denied},
        text);
}

} // namespace verandel
