#include "update/UpdaterControllerHolder.h"

#include "foundation/LogText.h"
#include "update/SparkleUpdaterDelegateBridge.h"

namespace verandel {

namespace {

const QString category = QStringLiteral("UpdaterControllerHolder");
const QString couldNotCheck = QStringLiteral("Could not check for updates. Please try again.");

} // namespace

std::shared_ptr<UpdaterControllerHolder>
UpdaterControllerHolder::make(UpdateCheckStatusPtr updateCheckStatus, LoggerFactory &loggerFactory,
                              std::optional<QString> sparkleFeedURL,
                              AppUpdatePreferencesStorePtr appUpdatePreferencesStore,
                              UpdateEngineEnvironment environment, UpdatesUserDriver::InfoPageOpener openInfoPage)
{
    auto userDriver = std::make_shared<UpdatesUserDriver>(updateCheckStatus, loggerFactory, std::move(openInfoPage));
    auto bridge = std::make_shared<SparkleUpdaterDelegateBridge>(std::move(sparkleFeedURL),
                                                                 loggerFactory.createLogger(category));
    auto updater = std::make_shared<UpdateEngine>(std::move(environment), userDriver, bridge, loggerFactory);
    return std::make_shared<UpdaterControllerHolder>(std::move(updateCheckStatus), loggerFactory,
                                                     std::move(appUpdatePreferencesStore), std::move(updater),
                                                     std::move(userDriver), std::move(bridge));
}

UpdaterControllerHolder::UpdaterControllerHolder(UpdateCheckStatusPtr updateCheckStatus, LoggerFactory &loggerFactory,
                                                 AppUpdatePreferencesStorePtr appUpdatePreferencesStore,
                                                 SparkleUpdatingPtr updater,
                                                 std::shared_ptr<UpdatesUserDriverControlling> userDriver,
                                                 std::shared_ptr<SparkleUpdateCheckGating> updateCheckGate)
    : m_updater(std::move(updater))
    , m_userDriver(std::move(userDriver))
    , m_updateCheckGate(std::move(updateCheckGate))
    , m_appUpdatePreferencesStore(std::move(appUpdatePreferencesStore))
    , m_updateCheckStatus(std::move(updateCheckStatus))
    , m_logger(loggerFactory.createLogger(category))
{ }

void UpdaterControllerHolder::applyUpdatePreferences()
{
    const AppUpdatePreferences preferences = m_appUpdatePreferencesStore->currentPreferences();
    m_updater->setAutomaticallyChecksForUpdates(preferences.automaticChecksEnabled);
    m_updater->setAutomaticallyDownloadsUpdates(preferences.automaticInstallationEnabled);
    m_updateCheckGate->setAutomaticChecksEnabled(preferences.automaticChecksEnabled);
    m_userDriver->applyAutomaticInstallationPreference(preferences.automaticInstallationEnabled);
}

bool UpdaterControllerHolder::startUpdater()
{
    if (m_isStarted) {
        return true;
    }
    if (!m_updatesAvailable) {
        return false; // no feed or key: trying again cannot help, and was logged once
    }
    m_logger->info(QStringLiteral("Attempting to start Sparkle"));
    try {
        m_updater->start();
    } catch (const UpdaterError &error) {
        const bool noFeed = error.domain() == UpdaterError::updaterDomain && error.code() == UpdaterError::noFeed;
        const QString line
            = QStringLiteral("Sparkle failed to start: ") + escapeControlCharacters(error.localizedDescription());
        // A build made without a feed is meant to have no updater: worth a line, not a warning.
        if (noFeed) {
            m_logger->info(line);
        } else {
            m_logger->warning(line);
        }
        if (noFeed || (error.domain() == UpdaterError::updaterDomain && error.code() == UpdaterError::notConfigured)) {
            m_updatesAvailable = false;
            Q_EMIT updatesAvailableChanged(false);
        } else {
            m_updateCheckStatus->setErrorMessage(couldNotCheck);
        }
        m_updateCheckStatus->finishCheck();
        return false;
    }
    m_isStarted = true;
    return true;
}

bool UpdaterControllerHolder::start()
{
    applyUpdatePreferences();
    if (!startUpdater()) {
        return false;
    }
    if (m_updater->automaticallyChecksForUpdates()) {
        m_updateCheckStatus->startCheck();
        m_updater->checkForUpdatesInBackground();
    } else {
        m_logger->info(
            QStringLiteral("Sparkle: Skipping startup background update check because automatic checks are disabled"));
    }
    return true;
}

void UpdaterControllerHolder::checkForUpdates()
{
    applyUpdatePreferences();
    if (!startUpdater()) {
        return;
    }
    m_updateCheckStatus->startCheck();
    m_updater->checkForUpdates();
}

bool UpdaterControllerHolder::installPendingUpdateIfAvailable()
{
    return m_userDriver->installPendingUpdate();
}

} // namespace verandel
