#pragma once

#include "foundation/EnumText.h"

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

template <>
inline constexpr auto enumTexts<MetricsEventName> = std::to_array<EnumText<MetricsEventName>>({
    {MetricsEventName::MacLinkEstablished, u"mac_link_established"},
    {MetricsEventName::SharedDeviceAdded, u"shared_device_added"},
    {MetricsEventName::TransferRequested, u"transfer_requested"},
    {MetricsEventName::DeviceUnpairResult, u"device_unpair_result"},
    {MetricsEventName::DevicesReadyForPairingReceived, u"devices_ready_for_pairing_received"},
    {MetricsEventName::DevicePairResult, u"device_pair_result"},
    {MetricsEventName::TransferOwnershipUpdated, u"transfer_ownership_updated"},
});

inline constexpr auto allMetricsEventNames = enumValues<MetricsEventName>();

inline std::optional<MetricsEventName> metricsEventNameFromString(QStringView text)
{
    return enumFromString<MetricsEventName>(text);
}

// "ml", "sd", "tr", "ur", "rd", "pr", "ou": the event name in a beacon's query.
QString transportCode(MetricsEventName name);

} // namespace verandel
