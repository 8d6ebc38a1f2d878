#include "telemetry/MetricsEventName.h"

#include "foundation/EnumText.h"

namespace verandel {

QString toString(MetricsEventName value)
{
    switch (value) {
    case MetricsEventName::MacLinkEstablished: return QStringLiteral("mac_link_established");
    case MetricsEventName::SharedDeviceAdded: return QStringLiteral("shared_device_added");
    case MetricsEventName::TransferRequested: return QStringLiteral("transfer_requested");
    case MetricsEventName::DeviceUnpairResult: return QStringLiteral("device_unpair_result");
    case MetricsEventName::DevicesReadyForPairingReceived: return QStringLiteral("devices_ready_for_pairing_received");
    case MetricsEventName::DevicePairResult: return QStringLiteral("device_pair_result");
    case MetricsEventName::TransferOwnershipUpdated: return QStringLiteral("transfer_ownership_updated");
    }
    return {};
}

std::optional<MetricsEventName> metricsEventNameFromString(QStringView text)
{
    return enumFromString(allMetricsEventNames, text);
}

QString transportCode(MetricsEventName name)
{
    switch (name) {
    case MetricsEventName::MacLinkEstablished: return QStringLiteral("ml");
    case MetricsEventName::SharedDeviceAdded: return QStringLiteral("sd");
    case MetricsEventName::TransferRequested: return QStringLiteral("tr");
    case MetricsEventName::DeviceUnpairResult: return QStringLiteral("ur");
    case MetricsEventName::DevicesReadyForPairingReceived: return QStringLiteral("rd");
    case MetricsEventName::DevicePairResult: return QStringLiteral("pr");
    case MetricsEventName::TransferOwnershipUpdated: return QStringLiteral("ou");
    }
    return {};
}

} // namespace verandel
