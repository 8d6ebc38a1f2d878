#pragma once

#include "models/ControlCoordinatorProtocol.h"

#include "transfer/ControlCoordinator.h"

namespace verandel {

// The real control coordinator behind ControlCoordinatorProtocol; its signals are passed on as they come.
class ControlCoordinatorAdapter final : public ControlCoordinatorProtocol
{
public:
    explicit ControlCoordinatorAdapter(ControlCoordinatorPtr coordinator, QObject *parent = nullptr);

    QUuid currentMacId() const override { return m_coordinator->currentMacId(); }
    bool canSendControl(const QUuid &toMacId) override { return m_coordinator->canSendControl(toMacId); }
    bool canTakeControl() override { return m_coordinator->canTakeControl(); }
    void sendControl(const QUuid &toMacId) override { m_coordinator->sendControl(toMacId); }
    void takeControl() override { m_coordinator->takeControl(); }
    void takeControl(const QUuid &fromMacId) override { m_coordinator->takeControl(fromMacId); }
    std::optional<ControlTransferProgress> currentControlTransferProgress() const override
    {
        return m_coordinator->currentControlTransferProgress();
    }
    std::optional<BluetoothPermissionGuidanceState> currentBluetoothPermissionGuidanceState() const override
    {
        return m_coordinator->currentBluetoothPermissionGuidanceState();
    }
    void stageBluetoothPermissionGuidance(std::optional<BluetoothPermissionGuidanceState> state) override
    {
        m_coordinator->stageBluetoothPermissionGuidance(state);
    }
    void continueBluetoothPermissionGuidance() override { m_coordinator->continueBluetoothPermissionGuidance(); }
    void retryBluetoothPermissionGuidance() override { m_coordinator->retryBluetoothPermissionGuidance(); }
    bool openBluetoothSettings() override { return m_coordinator->openBluetoothSettings(); }

private:
    ControlCoordinatorPtr m_coordinator;
};

} // namespace verandel
