#pragma once

#include "update/AppcastItem.h"
#include "update/UpdaterError.h"
#include "update/UserUpdateChoice.h"

#include <functional>

namespace verandel {

// What the updater tells the user side at each step of an update session, and the answers it waits
// for. Called on the main thread. A reply or acknowledgement may be called later, or (for a reply
// made void by a newer presentation of the same update) never; calling a void reply does nothing.
class UpdaterUserDriverProtocol
{
public:
    using Reply = std::function<void(UserUpdateChoice)>;
    using Acknowledgement = std::function<void()>;
    using Cancellation = std::function<void()>;

    virtual ~UpdaterUserDriverProtocol() = default;

    // The answer: whether the updater may check by itself.
    virtual void showUpdatePermissionRequest(std::function<void(bool automaticChecks)> reply) = 0;
    virtual void showUserInitiatedUpdateCheck(Cancellation cancellation) = 0;
    virtual void showUpdateNotFound(const UpdaterError &error, Acknowledgement acknowledgement) = 0;
    virtual void showUpdaterError(const UpdaterError &error, Acknowledgement acknowledgement) = 0;
    // An information-only item (or any item when this install cannot be updated in place) has nothing
    // to install: reply dismiss.
    virtual void showUpdateFound(const AppcastItem &item, Reply reply) = 0;
    virtual void showUpdateReleaseNotes(const QByteArray &notes) = 0;
    virtual void showUpdateReleaseNotesFailedToDownload(const UpdaterError &error) = 0;
    virtual void showDownloadInitiated(Cancellation cancellation) = 0;
    virtual void showDownloadDidReceiveExpectedContentLength(quint64 expectedLength) = 0;
    virtual void showDownloadDidReceiveDataOfLength(quint64 length) = 0;
    virtual void showDownloadDidStartExtractingUpdate() = 0;
    virtual void showExtractionReceivedProgress(double progress) = 0;
    virtual void showReadyToInstallAndRelaunch(Reply reply) = 0;
    // The new version is in place; calling retryTerminatingApplication quits and relaunches.
    virtual void showInstallingUpdate(bool applicationTerminated, std::function<void()> retryTerminatingApplication)
        = 0;
    virtual void showUpdateInstalledAndRelaunched(bool relaunched, Acknowledgement acknowledgement) = 0;
    // The session is over, whatever happened in it.
    virtual void dismissUpdateInstallation() = 0;
};

} // namespace verandel
