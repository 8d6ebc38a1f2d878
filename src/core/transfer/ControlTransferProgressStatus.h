#pragma once

#include "bluetooth/OperationFailureCategory.h"
#include "transfer/ControlTransferBlockedReason.h"

#include <QString>

#include <optional>
#include <variant>

namespace verandel {

// The cases of a transfer step's status. Two statuses are equal when they are the same case with
// equal values; an absent failure category differs from every present one.
namespace ProgressStatus {

// This computer begins to unpair that many devices for a transfer.
struct UnpairingStarted
{
    int totalDeviceCount = 0;
    bool operator==(const UnpairingStarted &) const = default;
};

struct UnpairResult
{
    QString macAddress;
    bool success = false;
    std::optional<OperationFailureCategory> failureCategory;
    bool operator==(const UnpairResult &) const = default;
};

// The devices-ready list of that many devices reached the other computer.
struct DevicesReadySent
{
    int readyDeviceCount = 0;
    bool operator==(const DevicesReadySent &) const = default;
};

// This computer begins to pair that many devices handed over by the other.
struct PairingStarted
{
    int totalDeviceCount = 0;
    bool operator==(const PairingStarted &) const = default;
};

struct PairResult
{
    QString macAddress;
    bool success = false;
    std::optional<OperationFailureCategory> failureCategory;
    bool operator==(const PairResult &) const = default;
};

// This computer recorded itself as owner of that many devices.
struct OwnershipUpdated
{
    int updatedDeviceCount = 0;
    bool operator==(const OwnershipUpdated &) const = default;
};

struct Blocked
{
    ControlTransferBlockedReason reason = ControlTransferBlockedReason::PeerUnavailable;
    bool operator==(const Blocked &) const = default;
};

struct Failed
{
    std::optional<OperationFailureCategory> failureCategory;
    bool operator==(const Failed &) const = default;
};

// Past its checks; the work on this computer starts.
struct OperationStarted
{
    bool operator==(const OperationStarted &) const = default;
};

struct OutboundTransferRequestSent
{
    bool operator==(const OutboundTransferRequestSent &) const = default;
};

struct InboundTransferRequestReceived
{
    bool operator==(const InboundTransferRequestReceived &) const = default;
};

struct Cancelled
{
    bool operator==(const Cancelled &) const = default;
};

// Bluetooth permission is denied: the user must act.
struct UserActionRequired
{
    bool operator==(const UserActionRequired &) const = default;
};

struct Success
{
    bool operator==(const Success &) const = default;
};

} // namespace ProgressStatus

using ControlTransferProgressStatus
    = std::variant<ProgressStatus::UnpairingStarted, ProgressStatus::UnpairResult, ProgressStatus::DevicesReadySent,
                   ProgressStatus::PairingStarted, ProgressStatus::PairResult, ProgressStatus::OwnershipUpdated,
                   ProgressStatus::Blocked, ProgressStatus::Failed, ProgressStatus::OperationStarted,
                   ProgressStatus::OutboundTransferRequestSent, ProgressStatus::InboundTransferRequestReceived,
                   ProgressStatus::Cancelled, ProgressStatus::UserActionRequired, ProgressStatus::Success>;

// Blocked, failed, cancelled, user action required and success end the transfer with the record's peer.
bool isTerminal(const ControlTransferProgressStatus &status);

// How log lines write the status: the case name with its values, "failed(timeout)", "success".
QString describe(const ControlTransferProgressStatus &status);

} // namespace verandel
