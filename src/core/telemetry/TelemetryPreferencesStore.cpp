#include "telemetry/TelemetryPreferencesStore.h"

#include "foundation/StoredPreferences.h"

#include <QScopeGuard>

namespace verandel {

TelemetryPreferencesStore::TelemetryPreferencesStore(StorageManagerPtr storageManager,
                                                     MetricsQueueStorePtr metricsQueueStore,
                                                     LoggerFactory &loggerFactory)
    : m_storageManager(std::move(storageManager))
    , m_metricsQueueStore(std::move(metricsQueueStore))
    , m_logger(loggerFactory.createLogger(QStringLiteral("TelemetryPreferencesStore")))
{
    m_cachedPreferences
        = readStoredPreferences<TelemetryPreferences>(
              *m_storageManager, &StorageManager::telemetryPreferencesStorageURL, *m_logger,
              QStringLiteral("Failed to load telemetry preferences. Defaulting metrics opt-in to enabled: "))
              .value_or(TelemetryPreferences{});
}

QCoro::Task<> TelemetryPreferencesStore::setMetricsOptInEnabled(bool enabled)
{
    const auto self = shared_from_this();
    const bool optingOut = self->isMetricsOptInEnabled() && !enabled;
    if (optingOut) {
        ++self->m_optOutsInProgress;
    }
    const auto settled = qScopeGuard([self, optingOut] {
        if (optingOut) {
            --self->m_optOutsInProgress;
        }
    });
    if (optingOut && self->m_metricsQueueStore) {
        try {
            co_await self->m_metricsQueueStore->removeAll();
        } catch (const std::exception &error) {
            self->m_logger->warning(QStringLiteral("Failed to clear pending metrics queue after opt-out: ")
                                    + describeError(error));
            throw;
        }
    }
    const TelemetryPreferences preferences{enabled};
    const QString path = self->m_storageManager->telemetryPreferencesStorageURL();
    co_await self->m_storageManager->writeJSON(preferences, path);
    self->m_cachedPreferences = preferences;
}

} // namespace verandel
