#include "telemetry/MetricsEventName.h"

namespace verandel {

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
