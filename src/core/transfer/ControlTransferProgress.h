#pragma once

#include "transfer/ControlTransferDirection.h"
#include "transfer/ControlTransferProgressStatus.h"

#include <QDateTime>
#include <QMetaType>
#include <QUuid>

#include <optional>

namespace verandel {

// One step of a transfer as the control coordinator reports it. In memory only; equal when all five
// fields are.
struct ControlTransferProgress
{
    // Lower-case UUID text; the same on both computers of a transfer.
    QString transactionId;
    ControlTransferDirection direction = ControlTransferDirection::TakeControl;
    // The other computer, where the step has one.
    std::optional<QUuid> peerMacId;
    ControlTransferProgressStatus status;
    QDateTime occurredAt;

    bool operator==(const ControlTransferProgress &) const = default;
};

} // namespace verandel

Q_DECLARE_METATYPE(verandel::ControlTransferProgress)
