#pragma once

#include "foundation/LoggerFactory.h"
#include "update/UpdateCheckStatusObservable.h"
#include "update/UpdaterUserDriverProtocol.h"
#include "update/UpdatesUserDriverControlling.h"

#include <QUrl>

#include <functional>
#include <memory>

namespace verandel {

// The updater's user side. Shows no prompt of its own: it grants permission silently, logs every
// step, mirrors the check's outcome into the shared status, and from the automatic-installation
// preference either lets a found update install at once or holds it until the user asks for it.
class UpdatesUserDriver final : public UpdaterUserDriverProtocol,
                                public UpdatesUserDriverControlling,
                                public std::enable_shared_from_this<UpdatesUserDriver>
{
public:
    // Opens a release's information page in the browser; called only with absolute http(s) addresses.
    using InfoPageOpener = std::function<void(const QUrl &)>;

    UpdatesUserDriver(UpdateCheckStatusPtr updateCheckStatus, LoggerFactory &loggerFactory,
                      InfoPageOpener openInfoPage);

    void applyAutomaticInstallationPreference(bool enabled) override;
    bool installPendingUpdate() override;

    void showUpdatePermissionRequest(std::function<void(bool automaticChecks)> reply) override;
    void showUserInitiatedUpdateCheck(Cancellation cancellation) override;
    void showUpdateNotFound(const UpdaterError &error, Acknowledgement acknowledgement) override;
    void showUpdaterError(const UpdaterError &error, Acknowledgement acknowledgement) override;
    void showUpdateFound(const AppcastItem &item, Reply reply) override;
    void showUpdateReleaseNotes(const QByteArray &notes) override;
    void showUpdateReleaseNotesFailedToDownload(const UpdaterError &error) override;
    void showDownloadInitiated(Cancellation cancellation) override;
    void showDownloadDidReceiveExpectedContentLength(quint64 expectedLength) override;
    void showDownloadDidReceiveDataOfLength(quint64 length) override;
    void showDownloadDidStartExtractingUpdate() override;
    void showExtractionReceivedProgress(double progress) override;
    void showReadyToInstallAndRelaunch(Reply reply) override;
    void showInstallingUpdate(bool applicationTerminated, std::function<void()> retryTerminatingApplication) override;
    void showUpdateInstalledAndRelaunched(bool relaunched, Acknowledgement acknowledgement) override;
    void dismissUpdateInstallation() override;

private:
    // Hands the held found-update reply this answer and stops offering it; false when none is held.
    bool answerHeldUpdate(UserUpdateChoice choice);
    void handleFoundUpdate(const UpdateAvailableInfo &info, Reply reply);
    void handleChoice(UpdateUserChoice choice);
    void showInformationOnlyUpdate(const UpdateAvailableInfo &info, const Reply &reply);

    UpdateCheckStatusPtr m_updateCheckStatus;
    LoggerPtr m_logger;
    InfoPageOpener m_openInfoPage;
    bool m_automaticInstallationEnabled = true;
    Reply m_pendingDiscoveryReply;
    bool m_isCurrentSessionInstallAuthorized = false;
};

} // namespace verandel
