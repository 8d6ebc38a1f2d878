#pragma once

#include "common/UrlOpener.h"
#include "kit/IconProvider.h"

#include "foundation/ClockProtocol.h"
#include "update/UpdateCheckStatusObservable.h"

#include <QWidget>

#include <functional>

namespace verandel {

class CapsuleButton;
class IconView;
class TextLabel;

// The update-check block of the General tab: a check in progress, a found or held update with "Restart
// to Update", the last check's error with "Try again", or the button that starts a check. Everything it
// shows comes from the shared update status; it never marks a check as running itself. A release's page
// opens only through the URL opener, which refuses anything but http and https.
class CheckForUpdatesButton : public QWidget
{
    Q_OBJECT

public:
    enum class State { Checking, UpdateAvailable, UpdateStillAvailable, Failed, Idle };

    CheckForUpdatesButton(UpdateCheckStatusPtr updateCheckStatus, std::function<void()> onCheckForUpdates,
                          std::function<bool()> onInstallPendingUpdate, UrlOpenerPtr urlOpener, IconProviderPtr icons,
                          ClockPtr clock = nullptr, QWidget *parent = nullptr);

    // The first that holds, in this order.
    static State stateFor(const UpdateCheckStatusObservable &status);

    State state() const { return m_state; }
    TextLabel *messageLabel() const { return m_message; }
    CapsuleButton *checkButton() const { return m_check; }
    CapsuleButton *installButton() const { return m_install; }
    CapsuleButton *releaseNotesButton() const { return m_releaseNotes; }
    CapsuleButton *tryAgainButton() const { return m_tryAgain; }
    CapsuleButton *dismissButton() const { return m_dismiss; }

public Q_SLOTS:
    void refresh();

private:
    std::optional<UpdateAvailableInfo> shownUpdate() const;
    void install();

    UpdateCheckStatusPtr m_status;
    std::function<void()> m_onCheckForUpdates;
    std::function<bool()> m_onInstallPendingUpdate;
    UrlOpenerPtr m_urlOpener;
    State m_state = State::Idle;

    QWidget *m_progressRow;
    QWidget *m_messageRow;
    IconView *m_icon;
    TextLabel *m_message;
    CapsuleButton *m_check;
    CapsuleButton *m_install;
    CapsuleButton *m_releaseNotes;
    CapsuleButton *m_tryAgain;
    CapsuleButton *m_dismiss;
};

} // namespace verandel
