#pragma once

#include "foundation/EnumText.h"

namespace verandel {

// Which kind of transfer a progress record belongs to.
enum class ControlTransferDirection {
    SendControl, // this computer pushes its devices to another
    TakeControl, // this computer pulls the devices of others, and pairs what they hand over
    InboundTransfer, // this computer gives its devices up on request, or pairs devices sent unasked
};

template <>
inline constexpr auto enumTexts<ControlTransferDirection> = std::to_array<EnumText<ControlTransferDirection>>({
    {ControlTransferDirection::SendControl, u"sendControl"},
    {ControlTransferDirection::TakeControl, u"takeControl"},
    {ControlTransferDirection::InboundTransfer, u"inboundTransfer"},
});

inline constexpr auto allControlTransferDirections = enumValues<ControlTransferDirection>();

// Exactly one of the three texts, letter case included.
inline std::optional<ControlTransferDirection> controlTransferDirectionFromString(QStringView text)
{
    return enumFromString<ControlTransferDirection>(text);
}

} // namespace verandel
