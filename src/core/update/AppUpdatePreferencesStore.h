#pragma once

#include "foundation/LoggerFactory.h"
#include "foundation/StorageManager.h"
#include "update/AppUpdatePreferences.h"

#include <memory>

namespace verandel {

// The update choices in "update-preferences.json", read once at construction and kept in memory so
// that the updater can ask for them at any time without touching the disk. The cache never shows a
// value that is not on disk, except the default before the first change.
class AppUpdatePreferencesStore final
{
public:
    // A missing file means both choices on, silently; an unreadable one too, with a warning. Never
    // writes the file.
    AppUpdatePreferencesStore(StorageManagerPtr storageManager, LoggerFactory &loggerFactory);

    AppUpdatePreferences currentPreferences() const { return m_cachedPreferences; }
    bool isAutomaticChecksEnabled() const { return m_cachedPreferences.automaticChecksEnabled; }
    bool isAutomaticInstallationEnabled() const { return m_cachedPreferences.automaticInstallationEnabled; }

    // Write the whole document with the one choice changed, then change the cache. A failed write
    // throws its StorageError and leaves the cache as it was. Synchronous, so two changes can never
    // interleave and lose one another.
    void setAutomaticChecksEnabled(bool enabled);
    void setAutomaticInstallationEnabled(bool enabled);

private:
    void save(const AppUpdatePreferences &preferences);

    StorageManagerPtr m_storageManager;
    LoggerPtr m_logger;
    AppUpdatePreferences m_cachedPreferences;
};

using AppUpdatePreferencesStorePtr = std::shared_ptr<AppUpdatePreferencesStore>;

} // namespace verandel
