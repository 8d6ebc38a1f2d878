#pragma once

#include "update/UpdaterUserDriverProtocol.h"

#include <QList>
#include <QStringList>

#include <optional>

namespace verandel::test {

// Records every callback by name ("found 1.2.0", "error Verandel.Updater 5", "dismiss") and answers a
// found update and a ready install with the choices set, or keeps the reply when none is set.
class RecordingUpdaterUserDriver final : public UpdaterUserDriverProtocol
{
public:
    QStringList events;
    QList<AppcastItem> foundItems;
    QList<UpdaterError> errors;
    std::optional<UserUpdateChoice> foundChoice;
    std::optional<UserUpdateChoice> readyChoice;
    Reply heldFoundReply;
    Reply heldReadyReply;
    std::function<void()> retryTerminating;
    quint64 downloadedBytes = 0;

    bool has(const QString &event) const { return events.contains(event); }

    void showUpdatePermissionRequest(std::function<void(bool)> reply) override
    {
        events.append(QStringLiteral("permission"));
        reply(true);
    }
    void showUserInitiatedUpdateCheck(Cancellation) override { events.append(QStringLiteral("user check")); }
    void showUpdateNotFound(const UpdaterError &, Acknowledgement acknowledgement) override
    {
        events.append(QStringLiteral("not found"));
        acknowledgement();
    }
    void showUpdaterError(const UpdaterError &error, Acknowledgement acknowledgement) override
    {
        errors.append(error);
        events.append(QStringLiteral("error %1 %2").arg(error.domain()).arg(error.code()));
        acknowledgement();
    }
    void showUpdateFound(const AppcastItem &item, Reply reply) override
    {
        foundItems.append(item);
        events.append(QStringLiteral("found %1%2")
                          .arg(item.version.toString(), item.isInformationOnly ? QStringLiteral(" info") : QString()));
        if (foundChoice) {
            reply(*foundChoice);
        } else {
            heldFoundReply = std::move(reply);
        }
    }
    void showUpdateReleaseNotes(const QByteArray &) override { }
    void showUpdateReleaseNotesFailedToDownload(const UpdaterError &) override { }
    void showDownloadInitiated(Cancellation) override { events.append(QStringLiteral("download")); }
    void showDownloadDidReceiveExpectedContentLength(quint64) override { }
    void showDownloadDidReceiveDataOfLength(quint64 length) override { downloadedBytes += length; }
    void showDownloadDidStartExtractingUpdate() override { events.append(QStringLiteral("extract")); }
    void showExtractionReceivedProgress(double) override { }
    void showReadyToInstallAndRelaunch(Reply reply) override
    {
        events.append(QStringLiteral("ready"));
        if (readyChoice) {
            reply(*readyChoice);
        } else {
            heldReadyReply = std::move(reply);
        }
    }
    void showInstallingUpdate(bool, std::function<void()> retryTerminatingApplication) override
    {
        events.append(QStringLiteral("installing"));
        retryTerminating = std::move(retryTerminatingApplication);
    }
    void showUpdateInstalledAndRelaunched(bool, Acknowledgement acknowledgement) override
    {
        events.append(QStringLiteral("installed and relaunched"));
        acknowledgement();
    }
    void dismissUpdateInstallation() override { events.append(QStringLiteral("dismiss")); }
};

} // namespace verandel::test
