#include "update/UpdatesUserDriver.h"

#include "foundation/LogText.h"
#include "update/SparkleUpdateCheckError.h"
#include "update/UpdateUrlPolicy.h"

namespace verandel {

UpdatesUserDriver::UpdatesUserDriver(UpdateCheckStatusPtr updateCheckStatus, LoggerFactory &loggerFactory,
                                     InfoPageOpener openInfoPage)
    : m_updateCheckStatus(std::move(updateCheckStatus))
    , m_logger(loggerFactory.createLogger(QStringLiteral("UpdatesUserDriver")))
    , m_openInfoPage(std::move(openInfoPage))
{ }

bool UpdatesUserDriver::answerHeldUpdate(UserUpdateChoice choice)
{
    if (!m_pendingDiscoveryReply) {
        return false;
    }
    const Reply reply = std::exchange(m_pendingDiscoveryReply, nullptr);
    m_updateCheckStatus->onUpdateChoice = nullptr;
    m_updateCheckStatus->setExplicitInstallActionAvailable(false);
    if (choice == UserUpdateChoice::install) {
        m_isCurrentSessionInstallAuthorized = true;
    }
    reply(choice);
    return true;
}

void UpdatesUserDriver::applyAutomaticInstallationPreference(bool enabled)
{
    m_automaticInstallationEnabled = enabled;
    if (enabled) {
        answerHeldUpdate(UserUpdateChoice::install);
    }
}

bool UpdatesUserDriver::installPendingUpdate()
{
    return answerHeldUpdate(UserUpdateChoice::install);
}

void UpdatesUserDriver::showUpdatePermissionRequest(std::function<void(bool)> reply)
{
    m_logger->info(QStringLiteral("Sparkle: Granting update permission (no prompt)"));
    reply(true);
}

void UpdatesUserDriver::showUserInitiatedUpdateCheck(Cancellation)
{
    m_logger->info(QStringLiteral("Sparkle: User initiated update check"));
}

void UpdatesUserDriver::showUpdateNotFound(const UpdaterError &error, Acknowledgement acknowledgement)
{
    m_logger->info(QStringLiteral("Sparkle: No update found - ") + escapeControlCharacters(error.description()));
    m_updateCheckStatus->finishCheck();
    m_updateCheckStatus->setErrorMessage(std::nullopt);
    acknowledgement();
}

void UpdatesUserDriver::showUpdaterError(const UpdaterError &error, Acknowledgement acknowledgement)
{
    if (SparkleUpdateCheckError::isAutomaticChecksDisabled(error)) {
        m_logger->info(
            QStringLiteral("Sparkle: Ignoring blocked background update check because automatic checks are disabled"));
        m_updateCheckStatus->finishCheck();
        m_updateCheckStatus->setErrorMessage(std::nullopt);
    } else {
        m_logger->warning(QStringLiteral("Sparkle: Update error - ") + escapeControlCharacters(error.description()));
        m_updateCheckStatus->finishCheck();
        m_updateCheckStatus->setErrorMessage(error.localizedDescription());
    }
    acknowledgement();
}

void UpdatesUserDriver::showUpdateFound(const AppcastItem &item, Reply reply)
{
    const UpdateAvailableInfo info{item.displayVersion,
                                   item.infoURL.isEmpty() ? std::nullopt : std::optional<QUrl>(item.infoURL)};
    m_logger->info(QStringLiteral("Sparkle: Update found - ") + escapeControlCharacters(info.version));
    if (item.isInformationOnly) {
        showInformationOnlyUpdate(info, reply);
    } else {
        handleFoundUpdate(info, std::move(reply));
    }
}

void UpdatesUserDriver::showInformationOnlyUpdate(const UpdateAvailableInfo &info, const Reply &reply)
{
    if (info.infoURL) {
        // The address comes from the feed: only a web page is handed to the desktop, also during an
        // unattended background check.
        if (UpdateUrlPolicy::isOpenableWebUrl(*info.infoURL)) {
            m_openInfoPage(*info.infoURL);
        } else {
            m_logger->warning(QStringLiteral("Sparkle: Not opening an information link that is not a web address"));
        }
    }
    reply(UserUpdateChoice::dismiss);
    m_updateCheckStatus->finishCheck();
}

void UpdatesUserDriver::handleFoundUpdate(const UpdateAvailableInfo &info, Reply reply)
{
    m_isCurrentSessionInstallAuthorized = false;
    m_pendingDiscoveryReply = nullptr;
    m_updateCheckStatus->setExplicitInstallActionAvailable(false);
    m_updateCheckStatus->onUpdateChoice = nullptr;
    m_updateCheckStatus->finishCheck();
    m_updateCheckStatus->setPendingUpdate(info);
    if (m_automaticInstallationEnabled) {
        m_logger->info(QStringLiteral("Sparkle: Automatic installation enabled; continuing pending session"));
        m_isCurrentSessionInstallAuthorized = true;
        reply(UserUpdateChoice::install);
        return;
    }
    m_logger->info(QStringLiteral("Sparkle: Automatic installation disabled; holding pending update session"));
    m_pendingDiscoveryReply = std::move(reply);
    m_updateCheckStatus->setExplicitInstallActionAvailable(true);
    m_updateCheckStatus->setUpdateAvailable(info);
    const std::weak_ptr<UpdatesUserDriver> weak = weak_from_this();
    m_updateCheckStatus->onUpdateChoice = [weak](UpdateUserChoice choice) {
        if (const auto self = weak.lock()) {
            self->handleChoice(choice);
        }
    };
}

void UpdatesUserDriver::handleChoice(UpdateUserChoice choice)
{
    switch (choice) {
    case UpdateUserChoice::Install: answerHeldUpdate(UserUpdateChoice::install); break;
    case UpdateUserChoice::Dismiss:
        m_logger->info(QStringLiteral("Sparkle: Update prompt dismissed; pending update retained"));
        m_updateCheckStatus->onUpdateChoice = nullptr;
        break;
    case UpdateUserChoice::Skip: answerHeldUpdate(UserUpdateChoice::skip); break;
    }
}

void UpdatesUserDriver::showUpdateReleaseNotes(const QByteArray &)
{ }

void UpdatesUserDriver::showUpdateReleaseNotesFailedToDownload(const UpdaterError &error)
{
    m_logger->warning(QStringLiteral("Sparkle: Update release notes failed to download - ")
                      + escapeControlCharacters(error.description()));
}

void UpdatesUserDriver::showDownloadInitiated(Cancellation)
{
    m_logger->info(QStringLiteral("Sparkle: Downloading update…"));
}

void UpdatesUserDriver::showDownloadDidReceiveExpectedContentLength(quint64)
{ }

void UpdatesUserDriver::showDownloadDidReceiveDataOfLength(quint64)
{ }

void UpdatesUserDriver::showDownloadDidStartExtractingUpdate()
{
    m_logger->info(QStringLiteral("Sparkle: Extracting update…"));
}

void UpdatesUserDriver::showExtractionReceivedProgress(double)
{ }

void UpdatesUserDriver::showReadyToInstallAndRelaunch(Reply reply)
{
    m_logger->info(QStringLiteral("Sparkle: Update ready to install"));
    if (!m_isCurrentSessionInstallAuthorized && !m_automaticInstallationEnabled) {
        m_logger->warning(QStringLiteral(
            "Sparkle: Blocking install because automatic installation is disabled and install wasn't authorized"));
        reply(UserUpdateChoice::skip);
        return;
    }
    m_isCurrentSessionInstallAuthorized = true;
    reply(UserUpdateChoice::install);
}

void UpdatesUserDriver::showInstallingUpdate(bool applicationTerminated,
                                             std::function<void()> retryTerminatingApplication)
{
    m_logger->info(QStringLiteral("Sparkle: Installing update…"));
    if (!applicationTerminated && retryTerminatingApplication) {
        retryTerminatingApplication();
    }
}

void UpdatesUserDriver::showUpdateInstalledAndRelaunched(bool, Acknowledgement acknowledgement)
{
    m_logger->info(QStringLiteral("Sparkle: Update installed"));
    acknowledgement();
}

void UpdatesUserDriver::dismissUpdateInstallation()
{
    m_logger->info(QStringLiteral("Sparkle: Update session ended (teardown)"));
    m_pendingDiscoveryReply = nullptr;
    m_isCurrentSessionInstallAuthorized = false;
    m_updateCheckStatus->setPendingUpdate(std::nullopt);
    m_updateCheckStatus->setExplicitInstallActionAvailable(false);
    m_updateCheckStatus->setUpdateAvailable(std::nullopt);
    m_updateCheckStatus->onUpdateChoice = nullptr;
}

} // namespace verandel
