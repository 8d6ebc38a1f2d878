#include "shell/TransferActivityAdapter.h"

namespace verandel {

TransferActivityAdapter::TransferActivityAdapter(ControlCoordinatorPtr coordinator, QObject *parent)
    : TransferActivityProtocol(parent)
    , m_coordinator(std::move(coordinator))
{
    connect(m_coordinator.get(), &ControlCoordinator::runningFlowCountChanged, this,
            &TransferActivityProtocol::runningFlowCountChanged);
}

} // namespace verandel
