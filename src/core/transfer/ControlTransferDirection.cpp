#include "transfer/ControlTransferDirection.h"

#include "foundation/EnumText.h"

namespace verandel {

QString toString(ControlTransferDirection direction)
{
    switch (direction) {
    case ControlTransferDirection::SendControl: return QStringLiteral("sendControl");
    case ControlTransferDirection::TakeControl: return QStringLiteral("takeControl");
    case ControlTransferDirection::InboundTransfer: return QStringLiteral("inboundTransfer");
    }
    return {};
}

std::optional<ControlTransferDirection> controlTransferDirectionFromString(QStringView text)
{
    return enumFromString(allControlTransferDirections, text);
}

} // namespace verandel
