#pragma once

#include "controlcenter/ControlCenterWindowCoordinator.h"
#include "tray/StatusItemTransferFeedbackController.h"

#include "models/ControlCenterTransferState.h"
#include "models/ControlCoordinatorProtocol.h"

#include <QObject>
#include <QPointer>

namespace verandel {

// Turns every transfer step into the Control Center message, the tray icon's state and, when needed,
// a presented or auto-closed Control Center window. Steps arrive queued, after the coordinator's own
// call has returned. A hand-over waits for the receiver's confirmation, so a devices-ready step may
// last minutes and a pair result may follow it: every step is shown as it comes.
class TransferProgressHandler final : public QObject
{
    Q_OBJECT

public:
    TransferProgressHandler(ControlCoordinatorProtocolPtr coordinator, ControlCenterTransferState *transferState,
                            StatusItemTransferFeedbackController *feedback,
                            ControlCenterWindowCoordinator *windowCoordinator, QObject *parent = nullptr);

    void handle(const ControlTransferProgress &progress);

private:
    ControlCoordinatorProtocolPtr m_coordinator;
    QPointer<ControlCenterTransferState> m_transferState;
    StatusItemTransferFeedbackController *m_feedback;
    ControlCenterWindowCoordinator *m_windowCoordinator;
};

} // namespace verandel
