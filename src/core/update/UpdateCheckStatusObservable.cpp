#include "update/UpdateCheckStatusObservable.h"

namespace verandel {

void UpdateCheckStatusObservable::setIsChecking(bool checking)
{
    m_isChecking = checking;
    Q_EMIT isCheckingChanged();
}

void UpdateCheckStatusObservable::setErrorMessage(std::optional<QString> message)
{
    m_errorMessage = std::move(message);
    Q_EMIT errorMessageChanged();
}

void UpdateCheckStatusObservable::setUpdateAvailable(std::optional<UpdateAvailableInfo> update)
{
    m_updateAvailable = std::move(update);
    Q_EMIT updateAvailableChanged();
}

void UpdateCheckStatusObservable::setPendingUpdate(std::optional<UpdateAvailableInfo> update)
{
    m_pendingUpdate = std::move(update);
    Q_EMIT pendingUpdateChanged();
}

void UpdateCheckStatusObservable::setExplicitInstallActionAvailable(bool available)
{
    m_isExplicitInstallActionAvailable = available;
    Q_EMIT isExplicitInstallActionAvailableChanged();
}

void UpdateCheckStatusObservable::startCheck()
{
    setErrorMessage(std::nullopt);
    setIsChecking(true);
}

void UpdateCheckStatusObservable::finishCheck()
{
    setIsChecking(false);
}

void UpdateCheckStatusObservable::userChose(UpdateUserChoice choice)
{
    setUpdateAvailable(std::nullopt);
    // A copy: the handler clears itself while it runs.
    if (const UpdateChoiceHandler handler = onUpdateChoice) {
        handler(choice);
    }
}

} // namespace verandel
