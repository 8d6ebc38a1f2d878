#pragma once

#include "update/UpdateAvailableInfo.h"
#include "update/UpdateUserChoice.h"

#include <QObject>

#include <functional>
#include <memory>
#include <optional>

namespace verandel {

// The one shared record of the self-update flow: the updater writes it, the windows, the tray badge
// and the "Install Update…" item read it. It holds no rules of its own beyond a few setters. Every
// assignment is announced, also when the value does not change.
class UpdateCheckStatusObservable : public QObject
{
    Q_OBJECT
    Q_PROPERTY(bool isChecking READ isChecking WRITE setIsChecking NOTIFY isCheckingChanged)
    Q_PROPERTY(std::optional<QString> errorMessage READ errorMessage WRITE setErrorMessage NOTIFY errorMessageChanged)
    Q_PROPERTY(std::optional<verandel::UpdateAvailableInfo> updateAvailable READ updateAvailable WRITE
                   setUpdateAvailable NOTIFY updateAvailableChanged)
    Q_PROPERTY(std::optional<verandel::UpdateAvailableInfo> pendingUpdate READ pendingUpdate WRITE setPendingUpdate
                   NOTIFY pendingUpdateChanged)
    Q_PROPERTY(bool isExplicitInstallActionAvailable READ isExplicitInstallActionAvailable WRITE
                   setExplicitInstallActionAvailable NOTIFY isExplicitInstallActionAvailableChanged)

public:
    using UpdateChoiceHandler = std::function<void(UpdateUserChoice)>;

    using QObject::QObject;

    bool isChecking() const { return m_isChecking; }
    // The last failed check's text, shown to the user.
    std::optional<QString> errorMessage() const { return m_errorMessage; }
    // A found update waiting for the user's answer.
    std::optional<UpdateAvailableInfo> updateAvailable() const { return m_updateAvailable; }
    // A found update held until it is installed or the update session ends.
    std::optional<UpdateAvailableInfo> pendingUpdate() const { return m_pendingUpdate; }
    bool isExplicitInstallActionAvailable() const { return m_isExplicitInstallActionAvailable; }

    void setIsChecking(bool checking);
    void setErrorMessage(std::optional<QString> message);
    void setUpdateAvailable(std::optional<UpdateAvailableInfo> update);
    void setPendingUpdate(std::optional<UpdateAvailableInfo> update);
    void setExplicitInstallActionAvailable(bool available);

    // Installed by the updater's user driver; not announced.
    UpdateChoiceHandler onUpdateChoice;

    // The old error goes before the check shows as running.
    void startCheck();
    // Leaves the error as it is.
    void finishCheck();
    // Clears the offer, then hands the choice to the handler when there is one (which clears itself).
    void userChose(UpdateUserChoice choice);

Q_SIGNALS:
    void isCheckingChanged();
    void errorMessageChanged();
    void updateAvailableChanged();
    void pendingUpdateChanged();
    void isExplicitInstallActionAvailableChanged();

private:
    bool m_isChecking = false;
    std::optional<QString> m_errorMessage;
    std::optional<UpdateAvailableInfo> m_updateAvailable;
    std::optional<UpdateAvailableInfo> m_pendingUpdate;
    bool m_isExplicitInstallActionAvailable = false;
};

using UpdateCheckStatusPtr = std::shared_ptr<UpdateCheckStatusObservable>;

} // namespace verandel
