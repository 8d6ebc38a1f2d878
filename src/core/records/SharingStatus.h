#pragma once

#include <QJsonValue>
#include <QString>
#include <QStringView>

#include <array>
#include <optional>

namespace verandel {

// Whether the user allowed a paired device for transfer (shared) or keeps it on this computer (local).
enum class SharingStatus { Shared, Local };

inline constexpr std::array<SharingStatus, 2> allSharingStatuses{SharingStatus::Shared, SharingStatus::Local};

// "shared", "local".
QString toString(SharingStatus status);
std::optional<SharingStatus> sharingStatusFromString(QStringView text);
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
