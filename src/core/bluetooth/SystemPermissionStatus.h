#pragma once

#include <QString>
#include <QStringView>

#include <optional>

namespace verandel {

// The state of one system permission: "unknown", "authorized" or "denied".
enum class SystemPermissionStatus { Unknown, Authorized, Denied };

QString toString(SystemPermissionStatus status);
std::optional<SystemPermissionStatus> systemPermissionStatusFromString(QStringView text);

} // namespace verandel
