#pragma once

#include "update/UpdateAvailableInfo.h"

#include <QString>
#include <QUrl>

#include <optional>

namespace verandel {

// What the update window is shown from: the shared status, whether this installation has an updater
// at all, and whether the updater can start a check now.
struct UpdateStatusSnapshot
{
    bool updatesAvailable = true;
    bool canCheckForUpdates = false;
    bool isChecking = false;
    std::optional<QString> errorMessage;
    std::optional<UpdateAvailableInfo> updateAvailable;
    std::optional<UpdateAvailableInfo> pendingUpdate;
    bool isExplicitInstallActionAvailable = false;
};

// What the update window shows for a snapshot: a title, a detail line and which buttons it offers.
// Versions and errors come from the feed and are plain text; a version inside a sentence is isolated
// so it cannot reorder the sentence.
struct UpdateStatusPresentation
{
    enum class State { unavailable, idle, checking, failed, offered, readyToInstall, installing };

    State state = State::idle;
    QString title;
    QString detail;
    bool showsCheck = false;
    bool checkEnabled = false;
    bool showsInstall = false;
    bool showsLater = false;
    bool showsSkip = false;
    std::optional<QUrl> releasePage; // an http(s) page only

    static UpdateStatusPresentation make(const UpdateStatusSnapshot &snapshot);
};

} // namespace verandel
