#include "transfer/TransferPermissionGate.h"

#include "transfer/ControlCoordinator.h"

namespace verandel {

TransferPermissionGate::TransferPermissionGate(ControlCoordinator &coordinator,
                                               SystemPermissionCheckerPtr systemPermissionChecker)
    : m_coordinator(coordinator)
    , m_systemPermissionChecker(std::move(systemPermissionChecker))
{ }

QCoro::Task<SystemPermissionStatus> TransferPermissionGate::refresh()
{
    const auto self = m_coordinator.shared_from_this();
    const SystemPermissionStatus status = co_await m_systemPermissionChecker->refreshBluetoothAccess();
    m_coordinator.setGuidance(guidanceFor(status));
    co_return status;
}

QCoro::Task<> TransferPermissionGate::request()
{
    const auto self = m_coordinator.shared_from_this();
    const SystemPermissionStatus status = co_await m_systemPermissionChecker->requestBluetoothAccess();
    m_coordinator.setGuidance(guidanceFor(status));
}

bool TransferPermissionGate::openBluetoothSettings()
{
    return m_systemPermissionChecker->openBluetoothSettings();
}

std::optional<BluetoothPermissionGuidanceState> TransferPermissionGate::guidanceFor(SystemPermissionStatus status)
{
    switch (status) {
    case SystemPermissionStatus::Unknown: return BluetoothPermissionGuidanceState::Preflight;
    case SystemPermissionStatus::Authorized: return std::nullopt;
    case SystemPermissionStatus::Denied: return BluetoothPermissionGuidanceState::DeniedRecovery;
    }
    return std::nullopt;
}

std::optional<ControlTransferProgressStatus> TransferPermissionGate::stopFor(SystemPermissionStatus status)
{
    switch (status) {
    case SystemPermissionStatus::Unknown:
        return ProgressStatus::Blocked{ControlTransferBlockedReason::BluetoothPermissionPreflight};
    case SystemPermissionStatus::Denied: return ProgressStatus::UserActionRequired{};
    case SystemPermissionStatus::Authorized: return std::nullopt;
    }
    return std::nullopt;
}

} // namespace verandel
