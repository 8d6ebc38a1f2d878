#include "tray/QuickTransferController.h"

#include "tray/ControlCenterQuickTransferPolicy.h"

namespace verandel {

using Policy = ControlCenterQuickTransferPolicy;

QuickTransferController::QuickTransferController(ControlCoordinatorProtocolPtr coordinator,
                                                 DeviceOwnershipProtocolPtr ownership,
                                                 ControlCenterTransferState *transferState,
                                                 StatusItemTransferFeedbackController *feedback)
    : m_coordinator(std::move(coordinator))
    , m_ownership(std::move(ownership))
    , m_transferState(transferState)
    , m_feedback(feedback)
{ }

QList<QuickTransferMenuCommand> QuickTransferController::commands(const QList<ConnectedMac> &connectedMacs,
                                                                  const ConnectionStateMap &connectionStates) const
{
    const QUuid thisMacId = m_coordinator->currentMacId();
    const int localCount = static_cast<int>(m_ownership->devicesOwnedBy(thisMacId).size());
    QList<ConnectedMac> candidates;
    Policy::StatusMap send;
    Policy::StatusMap take;
    for (const ConnectedMac &mac : connectedMacs) {
        if (mac.id() == thisMacId) {
            continue;
        }
        candidates.append(mac);
        Policy::PeerFacts facts;
        facts.displayName = mac.displayName();
        facts.isReachable = isActive(ToolbarConnectionStateTracking::stateOf(connectionStates, mac.id()));
        facts.localDeviceCount = localCount;
        if (facts.isReachable) {
            facts.canSend = m_coordinator->canSendControl(mac.id());
            facts.peerOwnsDevices = !m_ownership->devicesOwnedBy(mac.id()).isEmpty();
            facts.canTake = facts.peerOwnsDevices && m_coordinator->canTakeControl();
        }
        send.insert(mac.id(), Policy::sendStatus(facts));
        take.insert(mac.id(), Policy::takeStatus(facts));
    }
    return Policy::buildCommands(candidates, send, take);
}

void QuickTransferController::run(const QuickTransferAction &action)
{
    const bool sends = action.kind == QuickTransferAction::Kind::SendControl;
    const Policy::ExecutionDecision decision = sends
        ? Policy::sendControlDecision(action.targetDisplayName, m_coordinator->canSendControl(action.targetMacId))
        : Policy::takeControlDecision(action.targetDisplayName,
                                      !m_ownership->devicesOwnedBy(action.targetMacId).isEmpty()
                                          && m_coordinator->canTakeControl());
    if (!decision.startsTransfer()) {
        if (m_transferState) {
            m_transferState->setMessage(decision.unavailableMessage, ControlCenterTransferMessageKind::Warning);
        }
        if (m_feedback) {
            m_feedback->showWarningOutcome();
        }
        return;
    }
    if (m_feedback) {
        m_feedback->beginTransferAttempt();
    }
    if (m_transferState) {
        m_transferState->setMessage(std::nullopt, ControlCenterTransferMessageKind::InProgress);
    }
    if (sends) {
        m_coordinator->sendControl(action.targetMacId);
    } else {
        m_coordinator->takeControl(action.targetMacId);
    }
}

} // namespace verandel
