#pragma once

#include "bluetooth/OperationResult.h"
#include "records/Device.h"
#include "telemetry/MetricsFailureReason.h"
#include "telemetry/MetricsResult.h"
#include "transfer/ControlTransferProgressStatus.h"

#include <QStringList>

#include <optional>

// How the transfer flows report a device's step and how they ended: to telemetry, in progress
// records and in log lines.
namespace verandel::TransferFlowReport {

MetricsResult metricsResult(const OperationResult &result);
// None on success; a failure without a category is reported as unknown.
std::optional<MetricsFailureReason> metricsFailureReason(const OperationResult &result);

// How a transfer ends when no device made it, by the category of the last failure.
ControlTransferProgressStatus outcomeOfFailure(std::optional<OperationFailureCategory> lastFailureCategory);

// Device names come from the devices themselves.
QString nameText(const Device &device);
QString messageOf(const OperationResult &result);

// What became of the devices a flow gave up, for the line that ends it.
QString handedOverText(const QStringList &confirmed, const QStringList &pairedBack,
                       const QStringList &notPairedBack = {});
// What became of the devices a flow was given.
QString pairedHereText(const QStringList &paired, const QStringList &notPaired);

} // namespace verandel::TransferFlowReport
