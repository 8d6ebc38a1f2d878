#pragma once

#include <QJsonValue>

namespace verandel {

// The user's two update choices, "update-preferences.json". Both are on until the user turns one off.
struct AppUpdatePreferences
{
    // The program looks for updates in the background by itself.
    bool automaticChecksEnabled = true;
    // A found update is installed without asking.
    bool automaticInstallationEnabled = true;

    bool operator==(const AppUpdatePreferences &) const = default;

    // Both keys are required booleans.
    QJsonValue toJson() const;
    static AppUpdatePreferences fromJson(const QJsonValue &json);
};

} // namespace verandel
