#pragma once

#include <QString>

#include <optional>

namespace verandel {

// What the update state shows in a menu-style row; the shell fills it from the shared update check
// status.
struct UpdateCheckSnapshot
{
    bool isChecking = false;
    // The version of an update that waits for the user's choice.
    std::optional<QString> availableVersion;
    std::optional<QString> errorMessage;
    bool operator==(const UpdateCheckSnapshot &) const = default;
};

// Which of the compact control's four rows shows: a running check wins over an offer, an offer over an
// error.
enum class CheckForUpdatesRow { CheckForUpdates, Checking, UpdateAvailable, Error };

inline CheckForUpdatesRow checkForUpdatesRow(const UpdateCheckSnapshot &snapshot)
{
    if (snapshot.isChecking) {
        return CheckForUpdatesRow::Checking;
    }
    if (snapshot.availableVersion) {
        return CheckForUpdatesRow::UpdateAvailable;
    }
    return snapshot.errorMessage ? CheckForUpdatesRow::Error : CheckForUpdatesRow::CheckForUpdates;
}

} // namespace verandel
