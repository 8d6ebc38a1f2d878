#pragma once

#include <QString>
#include <QStringView>

#include <array>
#include <optional>

namespace verandel {

// Which kind of transfer a progress record belongs to.
enum class ControlTransferDirection {
    SendControl, // this computer pushes its devices to another
    TakeControl, // this computer pulls the devices of others, and pairs what they hand over
    InboundTransfer, // this computer gives its devices up on request, or pairs devices sent unasked
};

inline constexpr std::array<ControlTransferDirection, 3> allControlTransferDirections{
    ControlTransferDirection::SendControl, ControlTransferDirection::TakeControl,
    ControlTransferDirection::InboundTransfer};

// "sendControl", "takeControl", "inboundTransfer".
QString toString(ControlTransferDirection direction);
// Exactly one of the three texts, letter case included.
std::optional<ControlTransferDirection> controlTransferDirectionFromString(QStringView text);

} // namespace verandel
