#pragma once

#include "foundation/LoggerFactory.h"
#include "foundation/StorageManager.h"
#include "telemetry/MetricsQueueStoreProtocol.h"
#include "telemetry/TelemetryPreferences.h"

namespace verandel {

// The metrics opt-in in "telemetry-preferences.json", read once at construction and kept in memory.
// Collection is on until the user turns it off; turning it off empties the queue first, so nothing
// recorded before the opt-out is ever sent.
//
// Always held by shared_ptr: a change in progress keeps its store alive.
class TelemetryPreferencesStore final : public std::enable_shared_from_this<TelemetryPreferencesStore>
{
public:
    // A missing file means opted in; an unreadable one too, with a warning. Never writes the file.
    TelemetryPreferencesStore(StorageManagerPtr storageManager, MetricsQueueStorePtr metricsQueueStore,
                              LoggerFactory &loggerFactory);

    bool isMetricsOptInEnabled() const { return m_cachedPreferences.metricsOptInEnabled; }
    TelemetryPreferences currentPreferences() const { return m_cachedPreferences; }
    // The opt-in, and no opt-out being saved: from the moment an opt-out starts, no event may enter
    // the queue it is emptying.
    bool isMetricsCollectionAllowed() const { return isMetricsOptInEnabled() && m_optOutsInProgress == 0; }

    // Writes the file, then changes the cached flag. Turning the flag off empties the queue before
    // the file is written; a failure of either step is thrown and leaves the flag as it was.
    QCoro::Task<> setMetricsOptInEnabled(bool enabled);

private:
    StorageManagerPtr m_storageManager;
    MetricsQueueStorePtr m_metricsQueueStore;
    LoggerPtr m_logger;
    TelemetryPreferences m_cachedPreferences;
    int m_optOutsInProgress = 0;
};

using TelemetryPreferencesStorePtr = std::shared_ptr<TelemetryPreferencesStore>;

} // namespace verandel
