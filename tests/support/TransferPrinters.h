#pragma once

#include "transfer/ControlTransferProgress.h"

#include <QString>

#include <ostream>
#include <type_traits>

// Lets GoogleTest print transfer statuses and records readably in failure messages.

namespace verandel::test {

inline QString describe(ControlTransferBlockedReason reason)
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

inline QString describe(const std::optional<OperationFailureCategory> &category)
{
    return category ? toString(*category) : QStringLiteral("nil");
}

inline QString describe(const ControlTransferProgressStatus &status)
{
    using namespace ProgressStatus;
    return std::visit(
        [](const auto &value) -> QString {
            using T = std::decay_t<decltype(value)>;
            if constexpr (std::is_same_v<T, UnpairingStarted>) {
                return QStringLiteral("unpairingStarted(%1)").arg(value.totalDeviceCount);
            } else if constexpr (std::is_same_v<T, UnpairResult>) {
                return QStringLiteral("unpairResult(%1, %2, %3)")
                    .arg(value.macAddress, value.success ? QStringLiteral("true") : QStringLiteral("false"),
                         describe(value.failureCategory));
            } else if constexpr (std::is_same_v<T, DevicesReadySent>) {
                return QStringLiteral("devicesReadySent(%1)").arg(value.readyDeviceCount);
            } else if constexpr (std::is_same_v<T, PairingStarted>) {
                return QStringLiteral("pairingStarted(%1)").arg(value.totalDeviceCount);
            } else if constexpr (std::is_same_v<T, PairResult>) {
                return QStringLiteral("pairResult(%1, %2, %3)")
                    .arg(value.macAddress, value.success ? QStringLiteral("true") : QStringLiteral("false"),
                         describe(value.failureCategory));
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

} // namespace verandel::test

namespace verandel::ProgressStatus {

// Found by argument-dependent lookup for each case of the status variant.
template <typename Status, typename = std::enable_if_t<std::is_constructible_v<ControlTransferProgressStatus, Status>>>
std::ostream &operator<<(std::ostream &out, const Status &status)
{
    return out << test::describe(ControlTransferProgressStatus(status)).toStdString();
}

} // namespace verandel::ProgressStatus

namespace verandel {

inline void PrintTo(const ControlTransferProgress &progress, std::ostream *out)
{
    *out << toString(progress.direction).toStdString() << ' ' << progress.transactionId.toStdString() << " peer "
         << (progress.peerMacId ? progress.peerMacId->toString().toStdString() : std::string("none")) << ' '
         << test::describe(progress.status).toStdString();
}

} // namespace verandel
