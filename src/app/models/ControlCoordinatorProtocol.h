#pragma once

#include "bluetooth/BluetoothPermissionGuidanceState.h"
#include "transfer/ControlTransferProgress.h"

#include <QObject>
#include <QUuid>

#include <memory>
#include <optional>

namespace verandel {

// What the tray and the Control Center ask of the control coordinator, so they can be driven by a
// fake. ControlCoordinatorAdapter forwards to the real one.
class ControlCoordinatorProtocol : public QObject
{
    Q_OBJECT

public:
    using QObject::QObject;
    ~ControlCoordinatorProtocol() override = default;

    virtual QUuid currentMacId() const = 0;
    virtual bool canSendControl(const QUuid &toMacId) = 0;
    virtual bool canTakeControl() = 0;
    // Each starts a transfer and returns at once; its steps arrive on controlTransferProgressChanged.
    virtual void sendControl(const QUuid &toMacId) = 0;
    // From every other linked computer.
    virtual void takeControl() = 0;
    virtual void takeControl(const QUuid &fromMacId) = 0;

    virtual std::optional<ControlTransferProgress> currentControlTransferProgress() const = 0;
    virtual std::optional<BluetoothPermissionGuidanceState> currentBluetoothPermissionGuidanceState() const = 0;
    virtual void stageBluetoothPermissionGuidance(std::optional<BluetoothPermissionGuidanceState> state) = 0;
    virtual void continueBluetoothPermissionGuidance() = 0;
    virtual void retryBluetoothPermissionGuidance() = 0;
    // False when no settings program could be started.
    virtual bool openBluetoothSettings() = 0;

Q_SIGNALS:
    void controlTransferProgressChanged(const verandel::ControlTransferProgress &progress);
    void bluetoothPermissionGuidanceStateChanged(std::optional<verandel::BluetoothPermissionGuidanceState> state);
};

using ControlCoordinatorProtocolPtr = std::shared_ptr<ControlCoordinatorProtocol>;

} // namespace verandel
