#pragma once

#include "peer/wire/PeerMessages.h"

#include <optional>

namespace verandel {

// Checks and cleans a command a peer sent before anything acts on it: MAC addresses must be six
// hexadecimal pairs (they come out in the canonical form), transaction ids and telemetry device ids
// must be UUIDs (either letter case; the events built from the commands lower-case them), lists
// stay short, and control characters are stripped from names and codes. Each overload cleans the
// command in place, or answers why it must be dropped.
class PeerMessageSanitizer
{
public:
    // More addresses or devices than any real computer hands over.
    static constexpr qsizetype MAX_LIST_LENGTH = 100;

    static std::optional<QString> sanitize(SendPingCommand &command);
    static std::optional<QString> sanitize(SendPingResponseCommand &command);
    static std::optional<QString> sanitize(SendTransferCommand &command);
    static std::optional<QString> sanitize(DevicesReadyForPairingCommand &command);
    static std::optional<QString> sanitize(SendConnectionRequestCommand &command);
    static std::optional<QString> sanitize(AcceptConnectionRequestCommand &command);
    static std::optional<QString> sanitize(RejectConnectionRequestCommand &command);
};

} // namespace verandel
