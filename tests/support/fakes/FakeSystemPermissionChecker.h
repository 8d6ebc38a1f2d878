#pragma once

#include "bluetooth/SystemPermissionCheckerProtocol.h"

namespace verandel::test {

// Answers the statuses the test set; counts Bluetooth refreshes and settings opened.
class FakeSystemPermissionChecker final : public SystemPermissionCheckerProtocol
{
public:
    SystemPermissionStatus localNetworkStatus() const override { return localNetwork; }
    SystemPermissionStatus bluetoothStatus() const override { return bluetooth; }
    QCoro::Task<SystemPermissionStatus> requestLocalNetworkAccess() override { co_return localNetwork; }
    QCoro::Task<SystemPermissionStatus> refreshLocalNetworkAccess() override { co_return localNetwork; }
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
    int bluetoothRefreshes = 0;
    int localNetworkSettingsOpened = 0;
    int bluetoothSettingsOpened = 0;
};

} // namespace verandel::test
