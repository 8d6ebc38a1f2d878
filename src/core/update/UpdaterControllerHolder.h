#pragma once

#include "foundation/LoggerFactory.h"
#include "update/AppUpdatePreferencesStore.h"
#include "update/SparkleUpdateCheckGating.h"
#include "update/SparkleUpdating.h"
#include "update/UpdateCheckStatusObservable.h"
#include "update/UpdateEngine.h"
#include "update/UpdatesUserDriver.h"
#include "update/UpdatesUserDriverControlling.h"

#include <QObject>

#include <memory>
#include <optional>

namespace verandel {

// The program's one owner of the updater: turns the two update preferences into the updater's flags,
// the background-check gate and the driver's install rule before every use, starts the updater (again
// after a failure), runs the launch check and the user's checks, and releases a held update when the
// user asks for it.
class UpdaterControllerHolder final : public QObject
{
    Q_OBJECT

public:
    // The program's holder: the Linux update engine with the feed from the runtime environment (else
    // the one compiled in), the updates user driver and the delegate bridge.
    static std::shared_ptr<UpdaterControllerHolder>
    make(UpdateCheckStatusPtr updateCheckStatus, LoggerFactory &loggerFactory, std::optional<QString> sparkleFeedURL,
         AppUpdatePreferencesStorePtr appUpdatePreferencesStore, UpdateEngineEnvironment environment,
         UpdatesUserDriver::InfoPageOpener openInfoPage);

    UpdaterControllerHolder(UpdateCheckStatusPtr updateCheckStatus, LoggerFactory &loggerFactory,
                            AppUpdatePreferencesStorePtr appUpdatePreferencesStore, SparkleUpdatingPtr updater,
                            std::shared_ptr<UpdatesUserDriverControlling> userDriver,
                            std::shared_ptr<SparkleUpdateCheckGating> updateCheckGate);

    // True when the updater runs. A build without a feed or a key fails here once and has no updates
    // from then on (updatesAvailable() false); other failures are tried again by the next check.
    bool start();
    void checkForUpdates();
    bool installPendingUpdateIfAvailable();
    void applyUpdatePreferences();

    // Whether the updater can start a check now, and its changes (the current value first on binding).
    // An updater that never started says false, so the menu command stays disabled.
    CanCheckForUpdatesPublisherPtr canCheckForUpdatesPublisher() const { return m_updater; }

    // False once the updater turned out to have no feed or key: the shell then offers no check that
    // could only fail.
    bool updatesAvailable() const { return m_updatesAvailable; }

Q_SIGNALS:
    void updatesAvailableChanged(bool available);

private:
    bool startUpdater();

    SparkleUpdatingPtr m_updater;
    std::shared_ptr<UpdatesUserDriverControlling> m_userDriver;
    std::shared_ptr<SparkleUpdateCheckGating> m_updateCheckGate;
    AppUpdatePreferencesStorePtr m_appUpdatePreferencesStore;
    UpdateCheckStatusPtr m_updateCheckStatus;
    LoggerPtr m_logger;
    bool m_isStarted = false;
    bool m_updatesAvailable = true;
};

using UpdaterControllerHolderPtr = std::shared_ptr<UpdaterControllerHolder>;

} // namespace verandel
