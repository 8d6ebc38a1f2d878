#pragma once

#include "models/ControlCoordinatorProtocol.h"

#include <QList>

namespace verandel::test {

// Answers the checks as set, records every call, and publishes what the test hands it.
class FakeControlCoordinator final : public ControlCoordinatorProtocol
{
public:
    explicit FakeControlCoordinator(QUuid macId = QUuid::createUuid())
        : macId(macId)
    { }

    QUuid currentMacId() const override { return macId; }
    bool canSendControl(const QUuid &toMacId) override
    {
        calls.append(QStringLiteral("canSendControl ") + toMacId.toString(QUuid::WithoutBraces));
        return canSend;
    }
    bool canTakeControl() override
    {
        calls.append(QStringLiteral("canTakeControl"));
        return canTake;
    }
    void sendControl(const QUuid &toMacId) override
    {
        calls.append(QStringLiteral("sendControl ") + toMacId.toString(QUuid::WithoutBraces));
    }
    void takeControl() override { calls.append(QStringLiteral("takeControl")); }
    void takeControl(const QUuid &fromMacId) override
    {
        calls.append(QStringLiteral("takeControl ") + fromMacId.toString(QUuid::WithoutBraces));
    }
    std::optional<ControlTransferProgress> currentControlTransferProgress() const override { return progress; }
    std::optional<BluetoothPermissionGuidanceState> currentBluetoothPermissionGuidanceState() const override
    {
        return guidance;
    }
    void stageBluetoothPermissionGuidance(std::optional<BluetoothPermissionGuidanceState> state) override
    {
        calls.append(QStringLiteral("stageBluetoothPermissionGuidance %1").arg(state ? int(*state) : -1));
    }
    void continueBluetoothPermissionGuidance() override { calls.append(QStringLiteral("continue")); }
    void retryBluetoothPermissionGuidance() override { calls.append(QStringLiteral("retry")); }
    bool openBluetoothSettings() override
    {
        calls.append(QStringLiteral("openBluetoothSettings"));
        return hasBluetoothSettingsProgram;
    }

    void publish(const ControlTransferProgress &next)
    {
        progress = next;
        Q_EMIT controlTransferProgressChanged(next);
    }
    void publishGuidance(std::optional<BluetoothPermissionGuidanceState> next)
    {
        guidance = next;
        Q_EMIT bluetoothPermissionGuidanceStateChanged(next);
    }

    QUuid macId;
    bool canSend = true;
    bool canTake = true;
    std::optional<ControlTransferProgress> progress;
    std::optional<BluetoothPermissionGuidanceState> guidance;
    // Whether opening the Bluetooth settings finds a program to start.
    bool hasBluetoothSettingsProgram = true;
    QStringList calls;
};

} // namespace verandel::test
