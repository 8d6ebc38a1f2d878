#pragma once

#include "update/UpdateCheckStatusObservable.h"
#include "updater/UpdateStatusPresentation.h"

#include <QWidget>

#include <functional>

class QPushButton;

namespace verandel {

class TextLabel;

// The updater's window: what the update flow is doing, the offered release with Install, Later and
// Skip, a check button, the release page, or that this installation gets no updates. Choices on an
// offer go to the shared status; the rest go to the callbacks.
class UpdateWindow final : public QWidget
{
    Q_OBJECT

public:
    struct Actions
    {
        std::function<void()> checkForUpdates;
        // The held update after the offer was dismissed (the holder's installPendingUpdateIfAvailable).
        std::function<void()> installPendingUpdate;
        std::function<void(const QUrl &)> openReleasePage;
    };

    UpdateWindow(UpdateCheckStatusPtr updateCheckStatus, Actions actions, QWidget *parent = nullptr);

    // What the status does not say: whether this installation has an updater, whether it can check.
    void setUpdatesAvailable(bool available);
    void setCanCheckForUpdates(bool canCheck);

    const UpdateStatusPresentation &presentation() const { return m_presentation; }

private:
    void refresh();

    UpdateCheckStatusPtr m_updateCheckStatus;
    Actions m_actions;
    bool m_updatesAvailable = true;
    bool m_canCheckForUpdates = false;
    UpdateStatusPresentation m_presentation;
    TextLabel *m_title;
    TextLabel *m_detail;
    QPushButton *m_install;
    QPushButton *m_later;
    QPushButton *m_skip;
    QPushButton *m_check;
    QPushButton *m_releasePage;
    QWidget *m_busy;
};

} // namespace verandel
