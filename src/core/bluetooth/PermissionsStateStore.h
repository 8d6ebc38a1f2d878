#pragma once

#include "bluetooth/SystemPermissionStatus.h"

#include <QDateTime>
#include <QJsonValue>
#include <QMap>
#include <QString>

namespace verandel {

// One remembered decision in "system-permissions-state.json".
struct PermissionRecord
{
    SystemPermissionStatus status = SystemPermissionStatus::Unknown;
    QDateTime updatedAt;

    QJsonValue toJson() const;
    // "status" (one of the three raw values) and "updatedAt" are both required.
    static PermissionRecord fromJson(const QJsonValue &json);
};

// The whole state file: permission key ("bluetooth", "local-network", or any other) -> record.
struct PermissionsStateStore
{
    QMap<QString, PermissionRecord> permissions;

    QJsonValue toJson() const;
    static PermissionsStateStore fromJson(const QJsonValue &json);
};

} // namespace verandel
