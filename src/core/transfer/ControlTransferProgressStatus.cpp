#include "transfer/ControlTransferProgressStatus.h"

#include <type_traits>

namespace verandel {

namespace {

QString describe(ControlTransferBlockedReason reason)
{
    switch (reason) {
    case ControlTransferBlockedReason::BluetoothPermissionPreflight:
        return QStringLiteral("bluetoothPermissionPreflight");
    case ControlTransferBlockedReason::NoEligibleTarget: return QStringLiteral("noEligibleTarget");
    case ControlTransferBlockedReason::NoConnectedSharedDevices: return QStringLiteral("noConnectedSharedDevices");
    case ControlTransferBlockedReason::PeerUnavailable: return QStringLiteral("peerUnavailable");
    }
    return {};
}

QString describe(const std::optional<OperationFailureCategory> &category)
{
    return category ? toString(*category) : QStringLiteral("nil");
}

QString describe(bool value)
{
    return value ? QStringLiteral("true") : QStringLiteral("false");
}

} // namespace

bool isTerminal(const ControlTransferProgressStatus &status)
{
    return std::holds_alternative<ProgressStatus::Blocked>(status)
        || std::holds_alternative<ProgressStatus::Failed>(status)
        || std::holds_alternative<ProgressStatus::Cancelled>(status)
        || std::holds_alternative<ProgressStatus::UserActionRequired>(status)
        || std::holds_alternative<ProgressStatus::Success>(status);
}

QString describe(const ControlTransferProgressStatus &status)
{
    using namespace ProgressStatus;
    return std::visit(
        [](const auto &value) -> QString {
            using T = std::decay_t<decltype(value)>;
            if constexpr (std::is_same_v<T, UnpairingStarted>) {
                return QStringLiteral("unpairingStarted(%1)").arg(value.totalDeviceCount);
            } else if constexpr (std::is_same_v<T, UnpairResult>) {
                return QStringLiteral("unpairResult(%1, %2, %3)")
                    .arg(value.macAddress, describe(value.success), describe(value.failureCategory));
            } else if constexpr (std::is_same_v<T, DevicesReadySent>) {
                return QStringLiteral("devicesReadySent(%1)").arg(value.readyDeviceCount);
            } else if constexpr (std::is_same_v<T, PairingStarted>) {
                return QStringLiteral("pairingStarted(%1)").arg(value.totalDeviceCount);
            } else if constexpr (std::is_same_v<T, PairResult>) {
                return QStringLiteral("pairResult(%1, %2, %3)")
                    .arg(value.macAddress, describe(value.success), describe(value.failureCategory));
            } else if constexpr (std::is_same_v<T, OwnershipUpdated>) {
                return QStringLiteral("ownershipUpdated(%1)").arg(value.updatedDeviceCount);
            } else if constexpr (std::is_same_v<T, Blocked>) {
                return QStringLiteral("blocked(%1)").arg(describe(value.reason));
            } else if constexpr (std::is_same_v<T, Failed>) {
                return QStringLiteral("failed(%1)").arg(describe(value.failureCategory));
            } else if constexpr (std::is_same_v<T, OperationStarted>) {
                return QStringLiteral("operationStarted");
            } else if constexpr (std::is_same_v<T, OutboundTransferRequestSent>) {
                return QStringLiteral("outboundTransferRequestSent");
            } else if constexpr (std::is_same_v<T, InboundTransferRequestReceived>) {
                return QStringLiteral("inboundTransferRequestReceived");
            } else if constexpr (std::is_same_v<T, Cancelled>) {
                return QStringLiteral("cancelled");
            } else if constexpr (std::is_same_v<T, UserActionRequired>) {
                return QStringLiteral("userActionRequired");
            } else {
                return QStringLiteral("success");
            }
        },
        status);
}

} // namespace verandel
