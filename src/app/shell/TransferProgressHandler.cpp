#include "shell/TransferProgressHandler.h"

#include "models/ControlCenterTransferProgressPolicy.h"

namespace verandel {

using Policy = ControlCenterTransferProgressPolicy;

TransferProgressHandler::TransferProgressHandler(ControlCoordinatorProtocolPtr coordinator,
                                                 ControlCenterTransferState *transferState,
                                                 StatusItemTransferFeedbackController *feedback,
                                                 ControlCenterWindowCoordinator *windowCoordinator, QObject *parent)
    : QObject(parent)
    , m_coordinator(std::move(coordinator))
    , m_transferState(transferState)
    , m_feedback(feedback)
    , m_windowCoordinator(windowCoordinator)
{
    if (m_transferState) {
        const std::optional<ControlTransferProgress> current = m_coordinator->currentControlTransferProgress();
        if (current) {
            m_transferState->setMessage(Policy::message(*current), Policy::messageKind(*current));
        } else {
            m_transferState->setMessage(std::nullopt, ControlCenterTransferMessageKind::InProgress);
        }
    }
    connect(m_coordinator.get(), &ControlCoordinatorProtocol::controlTransferProgressChanged, this,
            &TransferProgressHandler::handle, Qt::QueuedConnection);
}

void TransferProgressHandler::handle(const ControlTransferProgress &progress)
{
    if (m_transferState) {
        m_transferState->setMessage(Policy::message(progress), Policy::messageKind(progress));
    }
    if (m_feedback) {
        m_feedback->apply(progress);
    }
    if (!m_windowCoordinator) {
        return;
    }
    if (Policy::inboundPresentationDecision(progress)
        == ControlCenterTransferProgressPresentationDecision::Activating) {
        m_windowCoordinator->present(
            {ControlCenterPresentationReason::InboundTransferProgress, ControlCenterWindowOwnership::OperationOwned});
    }
    if (Policy::shouldAutoCloseAfterSuccess(progress, m_windowCoordinator->ownership())) {
        m_windowCoordinator->scheduleAutoCloseAfterSuccess();
    } else if (!std::holds_alternative<ProgressStatus::Success>(progress.status)) {
        m_windowCoordinator->cancelPendingAutoClose();
    }
}

} // namespace verandel
