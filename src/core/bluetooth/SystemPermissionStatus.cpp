#include "bluetooth/SystemPermissionStatus.h"

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
    for (const auto status :
         {SystemPermissionStatus::Unknown, SystemPermissionStatus::Authorized, SystemPermissionStatus::Denied}) {
        if (text == toString(status)) {
            return status;
        }
    }
    return std::nullopt;
}

} // namespace verandel
