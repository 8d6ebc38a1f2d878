#pragma once

#include "bluetooth/SystemPermissionCheckerProtocol.h"
#include "foundation/OneShot.h"

#include <optional>

namespace verandel::test {

// Permission answers a test scripts: never probes or prompts. A request or refresh answers its
// pending result when one is set (spending it), else the current status of its kind, and the answer
// becomes that kind's status. Every call is counted. The next Local Network request or refresh waits
// for `heldLocalNetworkProbe` when the test holds one (keeping a copy to answer), like a slow probe.
class MockSystemPermissionChecker final : public SystemPermissionCheckerProtocol
{
public:
    explicit MockSystemPermissionChecker(SystemPermissionStatus initialStatus = SystemPermissionStatus::Unknown)
        : m_localNetworkStatus(initialStatus)
        , m_bluetoothStatus(initialStatus)
    { }

    std::optional<SystemPermissionStatus> nextRequestResult;
    std::optional<SystemPermissionStatus> nextRefreshResult;
    std::optional<SystemPermissionStatus> nextBluetoothRequestResult;
    // Whether opening the Bluetooth settings finds a program to start.
    bool hasBluetoothSettingsProgram = true;
    std::optional<SystemPermissionStatus> nextBluetoothRefreshResult;
    std::optional<OneShot<bool>> heldLocalNetworkProbe;

    SystemPermissionStatus localNetworkStatus() const override { return m_localNetworkStatus; }
    SystemPermissionStatus bluetoothStatus() const override { return m_bluetoothStatus; }

    QCoro::Task<SystemPermissionStatus> requestLocalNetworkAccess() override
    {
        ++m_requestCallCount;
        co_await heldProbe();
        co_return answer(nextRequestResult, m_localNetworkStatus);
    }
    QCoro::Task<SystemPermissionStatus> refreshLocalNetworkAccess() override
    {
        ++m_refreshCallCount;
        co_await heldProbe();
        co_return answer(nextRefreshResult, m_localNetworkStatus);
    }
    QCoro::Task<SystemPermissionStatus> requestBluetoothAccess() override
    {
        ++m_bluetoothRequestCallCount;
        co_return answer(nextBluetoothRequestResult, m_bluetoothStatus);
    }
    QCoro::Task<SystemPermissionStatus> refreshBluetoothAccess() override
    {
        ++m_bluetoothRefreshCallCount;
        co_return answer(nextBluetoothRefreshResult, m_bluetoothStatus);
    }
    void openLocalNetworkSettings() override { ++m_openSettingsCallCount; }
    bool openBluetoothSettings() override
    {
        ++m_openBluetoothSettingsCallCount;
        return hasBluetoothSettingsProgram;
    }

    // The system's decision changed: later reads and probes answer it.
    void simulateLocalNetworkStatus(SystemPermissionStatus status) { m_localNetworkStatus = status; }
    void simulateBluetoothStatus(SystemPermissionStatus status) { m_bluetoothStatus = status; }

    int requestCallCount() const { return m_requestCallCount; }
    int refreshCallCount() const { return m_refreshCallCount; }
    int openSettingsCallCount() const { return m_openSettingsCallCount; }
    int bluetoothRequestCallCount() const { return m_bluetoothRequestCallCount; }
    int bluetoothRefreshCallCount() const { return m_bluetoothRefreshCallCount; }
    int openBluetoothSettingsCallCount() const { return m_openBluetoothSettingsCallCount; }

private:
    QCoro::Task<> heldProbe()
    {
        if (heldLocalNetworkProbe) {
            const OneShot<bool> gate = *heldLocalNetworkProbe;
            heldLocalNetworkProbe.reset();
            co_await gate;
        }
    }

    static SystemPermissionStatus answer(std::optional<SystemPermissionStatus> &pending, SystemPermissionStatus &status)
    {
        status = pending.value_or(status);
        pending.reset();
        return status;
    }

    SystemPermissionStatus m_localNetworkStatus;
    SystemPermissionStatus m_bluetoothStatus;
    int m_requestCallCount = 0;
    int m_refreshCallCount = 0;
    int m_openSettingsCallCount = 0;
    int m_bluetoothRequestCallCount = 0;
    int m_bluetoothRefreshCallCount = 0;
    int m_openBluetoothSettingsCallCount = 0;
};

} // namespace verandel::test
