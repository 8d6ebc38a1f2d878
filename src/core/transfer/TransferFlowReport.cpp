#include "transfer/TransferFlowReport.h"

#include "foundation/LogText.h"

namespace verandel::TransferFlowReport {

namespace {

MetricsFailureReason failureReason(std::optional<OperationFailureCategory> category)
{
    if (!category) {
        return MetricsFailureReason::Unknown;
    }
    switch (*category) {
    case OperationFailureCategory::Timeout: return MetricsFailureReason::Timeout;
    case OperationFailureCategory::Cancelled: return MetricsFailureReason::Cancelled;
    case OperationFailureCategory::PermissionDenied: return MetricsFailureReason::PermissionDenied;
    case OperationFailureCategory::NetworkUnavailable: return MetricsFailureReason::NetworkUnavailable;
    case OperationFailureCategory::PeerUnavailable: return MetricsFailureReason::PeerUnavailable;
    case OperationFailureCategory::ValidationFailed: return MetricsFailureReason::ValidationFailed;
    case OperationFailureCategory::UnsupportedDevice: return MetricsFailureReason::UnsupportedDevice;
    case OperationFailureCategory::Conflict: return MetricsFailureReason::Conflict;
    case OperationFailureCategory::Unknown: return MetricsFailureReason::Unknown;
    }
    return MetricsFailureReason::Unknown;
}

QString addressList(const QStringList &addresses)
{
    return addresses.isEmpty() ? QStringLiteral("none") : addresses.join(QStringLiteral(", "));
}

} // namespace

MetricsResult metricsResult(const OperationResult &result)
{
    return result.success ? MetricsResult::Success : MetricsResult::Failure;
}

std::optional<MetricsFailureReason> metricsFailureReason(const OperationResult &result)
{
    return result.success ? std::nullopt : std::optional(failureReason(result.failureCategory));
}

ControlTransferProgressStatus outcomeOfFailure(std::optional<OperationFailureCategory> lastFailureCategory)
{
    if (lastFailureCategory == OperationFailureCategory::PermissionDenied) {
        return ProgressStatus::UserActionRequired{};
    }
    if (lastFailureCategory == OperationFailureCategory::Cancelled) {
        return ProgressStatus::Cancelled{};
    }
    return ProgressStatus::Failed{lastFailureCategory};
}

QString nameText(const Device &device)
{
    return escapeControlCharacters(device.name());
}

QString messageOf(const OperationResult &result)
{
    return result.message.value_or(QStringLiteral("Unknown error"));
}

QString handedOverText(const QStringList &confirmed, const QStringList &pairedBack, const QStringList &notPairedBack)
{
    QString text
        = QStringLiteral("confirmed: %1; paired back: %2").arg(addressList(confirmed), addressList(pairedBack));
    if (!notPairedBack.isEmpty()) {
        text += QStringLiteral("; failed to pair back: ") + addressList(notPairedBack);
    }
    return text;
}

QString pairedHereText(const QStringList &paired, const QStringList &notPaired)
{
    return QStringLiteral("paired here: %1; not paired: %2").arg(addressList(paired), addressList(notPaired));
}

} // namespace verandel::TransferFlowReport
