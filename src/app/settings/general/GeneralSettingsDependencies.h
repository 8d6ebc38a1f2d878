#pragma once

#include "common/UrlOpener.h"

#include "records/MacIdentifierServiceProtocol.h"
#include "telemetry/TelemetryPreferencesStore.h"
#include "update/AppUpdatePreferencesStore.h"
#include "update/UpdateCheckStatusObservable.h"

#include <QString>

#include <functional>
#include <memory>
#include <optional>

namespace verandel {

// What the General tab reads and writes, and the three update callbacks the shell hands in.
struct GeneralSettingsDependencies
{
    std::shared_ptr<MacIdentifierServiceProtocol> macIdentifierService;
    TelemetryPreferencesStorePtr telemetryPreferencesStore;
    AppUpdatePreferencesStorePtr appUpdatePreferencesStore;
    UpdateCheckStatusPtr updateCheckStatus;
    UrlOpenerPtr urlOpener;
    // None: no update-check block (no updater in this build or run).
    std::function<void()> onCheckForUpdates;
    // True when a held update was handed to installation.
    std::function<bool()> onInstallPendingUpdate;
    // After each saved change of an update switch.
    std::function<void()> onUpdatePreferencesChanged;
    // The privacy page shipped with the program; none hides its link.
    std::optional<QString> privacyPolicyPath;
    // This computer's host name and the program's version, as the system tells them.
    QString hostName;
    QString appVersion;
};

} // namespace verandel
