#pragma once

#include "bluetooth/SystemPermissionCheckerProtocol.h"
#include "foundation/OneShot.h"

#include <optional>

namespace verandel::test {

// Answers the statuses the test set and counts the calls, settings opened included. A Local Network request or refresh
// adopts `localNetworkProbeAnswer` when one is set; the first one waits for `heldLocalNetworkProbe` when the test holds
// it (the test keeps a copy to answer).
class FakeSystemPermissionChecker final : public SystemPermissionCheckerProtocol
{
public:
    SystemPermissionStatus localNetworkStatus() const override { return localNetwork; }
    SystemPermissionStatus bluetoothStatus() const override { return bluetooth; }
    QCoro::Task<SystemPermissionStatus> requestLocalNetworkAccess() override
    {
        ++localNetworkRequests;
        const SystemPermissionStatus status = co_await probeLocalNetwork();
        co_return status;
    }
    QCoro::Task<SystemPermissionStatus> refreshLocalNetworkAccess() override
    {
        ++localNetworkRefreshes;
        const SystemPermissionStatus status = co_await probeLocalNetwork();
        co_return status;
    }
    QCoro::Task<SystemPermissionStatus> requestBluetoothAccess() override { co_return bluetooth; }
    QCoro::Task<SystemPermissionStatus> refreshBluetoothAccess() override
    {
        ++bluetoothRefreshes;
        co_return bluetooth;
    }
    void openLocalNetworkSettings() override { ++localNetworkSettingsOpened; }
    void openBluetoothSettings() override { ++bluetoothSettingsOpened; }

    SystemPermissionStatus localNetwork = SystemPermissionStatus::Unknown;
    SystemPermissionStatus bluetooth = SystemPermissionStatus::Unknown;
    std::optional<SystemPermissionStatus> localNetworkProbeAnswer;
    std::optional<OneShot<bool>> heldLocalNetworkProbe;
    int bluetoothRefreshes = 0;
    int localNetworkRequests = 0;
    int localNetworkRefreshes = 0;
    int localNetworkSettingsOpened = 0;
    int bluetoothSettingsOpened = 0;

private:
    QCoro::Task<SystemPermissionStatus> probeLocalNetwork()
    {
        if (heldLocalNetworkProbe) {
            const OneShot<bool> gate = *heldLocalNetworkProbe;
            heldLocalNetworkProbe.reset();
            co_await gate;
        }
        if (localNetworkProbeAnswer) {
            localNetwork = *localNetworkProbeAnswer;
        }
        const SystemPermissionStatus status = localNetwork;
        co_return status;
    }
};

} // namespace verandel::test
