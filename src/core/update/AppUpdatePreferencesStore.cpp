#include "update/AppUpdatePreferencesStore.h"

#include "foundation/StoredPreferences.h"

namespace verandel {

AppUpdatePreferencesStore::AppUpdatePreferencesStore(StorageManagerPtr storageManager, LoggerFactory &loggerFactory)
    : m_storageManager(std::move(storageManager))
    , m_logger(loggerFactory.createLogger(QStringLiteral("AppUpdatePreferencesStore")))
{
    m_cachedPreferences
        = readStoredPreferences<AppUpdatePreferences>(
              *m_storageManager, &StorageManager::updatePreferencesStorageURL, *m_logger,
              QStringLiteral("Failed to load update preferences. Defaulting to automatic updates enabled: "))
              .value_or(AppUpdatePreferences{});
}

void AppUpdatePreferencesStore::setAutomaticChecksEnabled(bool enabled)
{
    AppUpdatePreferences preferences = m_cachedPreferences;
    preferences.automaticChecksEnabled = enabled;
    save(preferences);
}

void AppUpdatePreferencesStore::setAutomaticInstallationEnabled(bool enabled)
{
    AppUpdatePreferences preferences = m_cachedPreferences;
    preferences.automaticInstallationEnabled = enabled;
    save(preferences);
}

void AppUpdatePreferencesStore::save(const AppUpdatePreferences &preferences)
{
    const QString path = m_storageManager->updatePreferencesStorageURL();
    m_storageManager->writeJSONSync(preferences, path);
    m_cachedPreferences = preferences;
}

} // namespace verandel
