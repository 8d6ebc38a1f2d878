#pragma once

#include "models/ControlCenterTransferMessageKind.h"
#include "models/ControlCenterWindowOwnership.h"

#include "transfer/ControlTransferProgress.h"

#include <optional>

namespace verandel {

// Whether a transfer step brings the Control Center forward by itself.
enum class ControlCenterTransferProgressPresentationDecision { None, Activating };

// What the Control Center says and does for each transfer step. The message never names the peer, the
// device or the reason of a block or failure.
class ControlCenterTransferProgressPolicy
{
public:
    ControlCenterTransferProgressPolicy() = delete;

    static QString message(const ControlTransferProgress &progress);
    // Blocked, failed, cancelled and user action required need the user; success is done; every other
    // step, failed unpair and pair results included, is still running (as the tray icon shows it).
    static ControlCenterTransferMessageKind messageKind(const ControlTransferProgress &progress);
    // Only an incoming transfer that needs the user opens the window.
    static ControlCenterTransferProgressPresentationDecision
    inboundPresentationDecision(const ControlTransferProgress &progress);
    // Only a window a transfer opened closes after that success.
    static bool shouldAutoCloseAfterSuccess(const ControlTransferProgress &progress,
                                            std::optional<ControlCenterWindowOwnership> ownership);
};

} // namespace verandel
