#pragma once

#include "foundation/EnumText.h"

namespace verandel {

// The state of one system permission: "unknown", "authorized" or "denied".
enum class SystemPermissionStatus { Unknown, Authorized, Denied };

template <>
inline constexpr auto enumTexts<SystemPermissionStatus> = std::to_array<EnumText<SystemPermissionStatus>>({
    {SystemPermissionStatus::Unknown, u"unknown"},
    {SystemPermissionStatus::Authorized, u"authorized"},
    {SystemPermissionStatus::Denied, u"denied"},
});

inline std::optional<SystemPermissionStatus> systemPermissionStatusFromString(QStringView text)
{
    return enumFromString<SystemPermissionStatus>(text);
}

} // namespace verandel
