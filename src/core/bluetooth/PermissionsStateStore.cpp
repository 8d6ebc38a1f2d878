#include "bluetooth/PermissionsStateStore.h"

#include "foundation/JsonDecodeError.h"
#include "foundation/JsonFields.h"

#include <QJsonObject>

namespace verandel {

QJsonValue PermissionRecord::toJson() const
{
    return QJsonObject{{QStringLiteral("status"), verandel::toString(status)},
                       {QStringLiteral("updatedAt"), json::toIso8601(updatedAt)}};
}

PermissionRecord PermissionRecord::fromJson(const QJsonValue &value)
{
    const QJsonObject object = json::requireObject(value, QStringLiteral("PermissionRecord"));
    const QString statusText = json::requireString(object, QStringLiteral("status"));
    const auto status = systemPermissionStatusFromString(statusText);
    if (!status) {
        throw JsonDecodeError(QStringLiteral("Unknown permission status: ") + statusText);
    }
    return PermissionRecord{*status, json::requireDate(object, QStringLiteral("updatedAt"))};
}

QJsonValue PermissionsStateStore::toJson() const
{
    QJsonObject entries;
    for (auto it = permissions.constBegin(); it != permissions.constEnd(); ++it) {
        entries.insert(it.key(), it->toJson());
    }
    return QJsonObject{{QStringLiteral("permissions"), entries}};
}

PermissionsStateStore PermissionsStateStore::fromJson(const QJsonValue &value)
{
    const QJsonObject object = json::requireObject(value, QStringLiteral("PermissionsStateStore"));
    if (!object.value(QStringLiteral("permissions")).isObject()) {
        throw JsonDecodeError(QStringLiteral("Missing or invalid key: permissions"));
    }
    const QJsonObject entries = object.value(QStringLiteral("permissions")).toObject();
    PermissionsStateStore store;
    for (auto it = entries.constBegin(); it != entries.constEnd(); ++it) {
        try {
            store.permissions.insert(it.key(), PermissionRecord::fromJson(it.value()));
        } catch (const JsonDecodeError &error) {
            throw JsonDecodeError(QStringLiteral("permissions.%1: %2").arg(it.key(), error.description()));
        }
    }
    return store;
}

} // namespace verandel
