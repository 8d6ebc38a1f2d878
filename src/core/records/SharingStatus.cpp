#include "records/SharingStatus.h"

#include "foundation/JsonDecodeError.h"

namespace verandel {

QString displayName(SharingStatus status)
{
    switch (status) {
    case SharingStatus::Shared: return QStringLiteral("Allowed");
    case SharingStatus::Local: return QStringLiteral("Local");
    }
    return {};
}

QString iconName(SharingStatus status)
{
    switch (status) {
    case SharingStatus::Shared: return QStringLiteral("square.and.arrow.up");
    case SharingStatus::Local: return QStringLiteral("desktopcomputer");
    }
    return {};
}

QString accessibilityDescription(SharingStatus status)
{
    switch (status) {
    case SharingStatus::Shared: return QStringLiteral("Device is allowed for transfer through Verandel");
    case SharingStatus::Local: return QStringLiteral("Device is available on this computer only");
    }
    return {};
}

QJsonValue toJson(SharingStatus status)
{
    return toString(status);
}

SharingStatus sharingStatusFromJson(const QJsonValue &json)
{
    if (const std::optional<SharingStatus> status = sharingStatusFromString(json.toString());
        json.isString() && status) {
        return *status;
    }
    throw JsonDecodeError(QStringLiteral("Invalid SharingStatus value"));
}

} // namespace verandel
