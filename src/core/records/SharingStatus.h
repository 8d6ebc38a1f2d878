#pragma once

#include "foundation/EnumText.h"

#include <QJsonValue>

namespace verandel {

// Whether the user allowed a paired device for transfer (shared) or keeps it on this computer (local).
enum class SharingStatus { Shared, Local };

template <>
inline constexpr auto enumTexts<SharingStatus> = std::to_array<EnumText<SharingStatus>>({
    {SharingStatus::Shared, u"shared"},
    {SharingStatus::Local, u"local"},
});

inline constexpr auto allSharingStatuses = enumValues<SharingStatus>();

inline std::optional<SharingStatus> sharingStatusFromString(QStringView text)
{
    return enumFromString<SharingStatus>(text);
}

// "Allowed", "Local".
QString displayName(SharingStatus status);
// Symbol names handed to the user interface as they stand.
QString iconName(SharingStatus status);
QString accessibilityDescription(SharingStatus status);

constexpr bool isShared(SharingStatus status)
{
    return status == SharingStatus::Shared;
}

QJsonValue toJson(SharingStatus status);
// Throws JsonDecodeError for anything but the two raw values.
SharingStatus sharingStatusFromJson(const QJsonValue &json);

} // namespace verandel
