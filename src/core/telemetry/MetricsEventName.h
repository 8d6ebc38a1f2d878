#pragma once

#include <QString>
#include <QStringView>

#include <array>
#include <optional>

namespace verandel {

// What a telemetry event records; each name travels as a two-letter code.
enum class MetricsEventName {
    MacLinkEstablished,
    SharedDeviceAdded,
    TransferRequested,
    DeviceUnpairResult,
    DevicesReadyForPairingReceived,
    DevicePairResult,
    TransferOwnershipUpdated
};

inline constexpr std::array<MetricsEventName, 7> allMetricsEventNames{MetricsEventName::MacLinkEstablished,
                                                                      MetricsEventName::SharedDeviceAdded,
                                                                      MetricsEventName::TransferRequested,
                                                                      MetricsEventName::DeviceUnpairResult,
                                                                      MetricsEventName::DevicesReadyForPairingReceived,
                                                                      MetricsEventName::DevicePairResult,
                                                                      MetricsEventName::TransferOwnershipUpdated};

// "mac_link_established", "shared_device_added", "transfer_requested", "device_unpair_result",
// "devices_ready_for_pairing_received", "device_pair_result", "transfer_ownership_updated".
QString toString(MetricsEventName value);
std::optional<MetricsEventName> metricsEventNameFromString(QStringView text);
// "ml", "sd", "tr", "ur", "rd", "pr", "ou": the event name in a beacon's query.
QString transportCode(MetricsEventName name);

} // namespace verandel
