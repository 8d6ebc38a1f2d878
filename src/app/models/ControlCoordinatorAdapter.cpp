#include "models/ControlCoordinatorAdapter.h"

namespace verandel {

ControlCoordinatorAdapter::ControlCoordinatorAdapter(ControlCoordinatorPtr coordinator, QObject *parent)
    : ControlCoordinatorProtocol(parent)
    , m_coordinator(std::move(coordinator))
{
    connect(m_coordinator.get(), &ControlCoordinator::controlTransferProgressChanged, this,
            &ControlCoordinatorProtocol::controlTransferProgressChanged);
    connect(m_coordinator.get(), &ControlCoordinator::bluetoothPermissionGuidanceStateChanged, this,
            &ControlCoordinatorProtocol::bluetoothPermissionGuidanceStateChanged);
}

} // namespace verandel
