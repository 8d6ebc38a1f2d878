#include "updater/UpdateStatusPresentation.h"

#include "foundation/LogText.h"
#include "kit/UntrustedText.h"
#include "update/UpdateUrlPolicy.h"

namespace verandel {

namespace {

// A version from the feed inside a sentence: no control characters or direction marks, cut when long.
QString isolated(const QString &version)
{
    QString clean = stripControlCharacters(version);
    clean.removeIf([](QChar c) { return c.category() == QChar::Other_Format; });
    return UntrustedText::isolated(UntrustedText::elided(clean));
}

std::optional<QUrl> webPage(const std::optional<UpdateAvailableInfo> &update)
{
    if (update && update->infoURL && UpdateUrlPolicy::isOpenableWebUrl(*update->infoURL)) {
        return update->infoURL;
    }
    return std::nullopt;
}

} // namespace

UpdateStatusPresentation UpdateStatusPresentation::make(const UpdateStatusSnapshot &snapshot)
{
    UpdateStatusPresentation result;
    if (!snapshot.updatesAvailable) {
        result.state = State::unavailable;
        result.title = QStringLiteral("Updates are not available for this installation");
        result.detail = QStringLiteral("Install a newer version the way you installed this one.");
        return result;
    }
    if (snapshot.updateAvailable) {
        result.state = State::offered;
        result.title = QStringLiteral("Verandel %1 is available").arg(isolated(snapshot.updateAvailable->version));
        result.detail = QStringLiteral("Verandel restarts to finish the update.");
        result.showsInstall = true;
        result.showsLater = true;
        result.showsSkip = true;
        result.releasePage = webPage(snapshot.updateAvailable);
    } else if (snapshot.pendingUpdate && snapshot.isExplicitInstallActionAvailable) {
        result.state = State::readyToInstall;
        result.title = QStringLiteral("Verandel %1 is ready to install").arg(isolated(snapshot.pendingUpdate->version));
        result.detail = QStringLiteral("Verandel restarts to finish the update.");
        result.showsInstall = true;
        result.releasePage = webPage(snapshot.pendingUpdate);
    } else if (snapshot.pendingUpdate) {
        result.state = State::installing;
        result.title = QStringLiteral("Installing Verandel %1…").arg(isolated(snapshot.pendingUpdate->version));
        result.detail = QStringLiteral("Verandel restarts once no device is being moved.");
        result.releasePage = webPage(snapshot.pendingUpdate);
    }
    if (result.state != State::idle) {
        return result; // a found update is what the window is about; no check beside it
    }
    result.showsCheck = true;
    result.checkEnabled = snapshot.canCheckForUpdates && !snapshot.isChecking;
    if (snapshot.isChecking) {
        result.state = State::checking;
        result.title = QStringLiteral("Checking for updates…");
    } else if (snapshot.errorMessage) {
        result.state = State::failed;
        result.title = QStringLiteral("The update check failed");
        result.detail = stripControlCharacters(*snapshot.errorMessage);
    } else {
        result.state = State::idle;
        result.title = QStringLiteral("No update is waiting");
        result.detail = QStringLiteral("Verandel looks for new versions once a day while automatic checks are on.");
    }
    return result;
}

} // namespace verandel
