#pragma once

#include "bluetooth/BluetoothPermissionGuidanceState.h"
#include "bluetooth/SystemPermissionCheckerProtocol.h"
#include "transfer/ControlTransferProgressStatus.h"

#include <QCoro/QCoroTask>

#include <optional>

namespace verandel {

class ControlCoordinator;

// The Bluetooth permission gate every transfer flow passes first, and the permission guidance it
// drives. Part of ControlCoordinator, which owns it and publishes the guidance.
class TransferPermissionGate
{
public:
    TransferPermissionGate(ControlCoordinator &coordinator, SystemPermissionCheckerPtr systemPermissionChecker);

    // Refreshes the permission, publishes the matching guidance and answers the status.
    QCoro::Task<SystemPermissionStatus> refresh();
    // Asks for the permission (the system may prompt) and publishes the matching guidance.
    QCoro::Task<> request();
    // False when no settings program could be started.
    bool openBluetoothSettings();

    // The record a flow stops with when the gate does not let it through.
    static std::optional<ControlTransferProgressStatus> stopFor(SystemPermissionStatus status);

private:
    // None: no guidance is shown.
    static std::optional<BluetoothPermissionGuidanceState> guidanceFor(SystemPermissionStatus status);

    ControlCoordinator &m_coordinator;
    SystemPermissionCheckerPtr m_systemPermissionChecker;
};

} // namespace verandel
