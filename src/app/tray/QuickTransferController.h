#pragma once

#include "tray/QuickTransferMenuCommand.h"
#include "tray/StatusItemTransferFeedbackController.h"

#include "models/ControlCenterTransferState.h"
#include "models/ControlCoordinatorProtocol.h"
#include "models/DeviceOwnershipProtocol.h"
#include "models/ToolbarConnectionStateTracking.h"

#include "records/ConnectedMac.h"

#include <QPointer>

namespace verandel {

// The tray's quick transfers: which items the menu offers when it opens, and what choosing one does.
// A refused choice says why in the Control Center message as well as with the warning icon, since
// trays that receive the menu over DBusMenu show no tool tips.
class QuickTransferController
{
public:
    QuickTransferController(ControlCoordinatorProtocolPtr coordinator, DeviceOwnershipProtocolPtr ownership,
                            ControlCenterTransferState *transferState, StatusItemTransferFeedbackController *feedback);

    // Every linked computer but this one, with the statuses of its two items.
    QList<QuickTransferMenuCommand> commands(const QList<ConnectedMac> &connectedMacs,
                                             const ConnectionStateMap &connectionStates) const;
    // Checks again, then starts the transfer or shows why not.
    void run(const QuickTransferAction &action);

private:
    ControlCoordinatorProtocolPtr m_coordinator;
    DeviceOwnershipProtocolPtr m_ownership;
    QPointer<ControlCenterTransferState> m_transferState;
    StatusItemTransferFeedbackController *m_feedback;
};

} // namespace verandel
