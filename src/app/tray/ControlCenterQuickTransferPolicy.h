#pragma once

#include "tray/QuickTransferMenuCommand.h"

#include "records/ConnectedMac.h"

#include <QHash>
#include <QList>

#include <optional>

namespace verandel {

// The quick-transfer items of the tray menu and the check made again when one is chosen.
class ControlCenterQuickTransferPolicy
{
public:
    using StatusMap = QHash<QUuid, QuickTransferMenuCommandStatus>;

    // Start the transfer, or show why not (the Control Center message and the warning icon).
    struct ExecutionDecision
    {
        std::optional<QString> unavailableMessage;
        bool startsTransfer() const { return !unavailableMessage; }
        bool operator==(const ExecutionDecision &) const = default;
    };

    // What the tray knows about one linked computer when the menu opens.
    struct PeerFacts
    {
        QString displayName;
        // Connected or unstable.
        bool isReachable = false;
        bool canSend = false;
        bool peerOwnsDevices = false;
        bool canTake = false;
        // Devices this computer owns.
        int localDeviceCount = 0;
    };

    ControlCenterQuickTransferPolicy() = delete;

    // Computers sorted by display name (case-insensitive, stable); per computer its "Move Devices to"
    // item before its "Pull Devices from" item, each only when it has a status.
    static QList<QuickTransferMenuCommand> buildCommands(const QList<ConnectedMac> &connectedMacs,
                                                         const StatusMap &sendCommandStatuses,
                                                         const StatusMap &takeCommandStatuses);
    static ExecutionDecision sendControlDecision(const QString &targetDisplayName, bool canSend);
    static ExecutionDecision takeControlDecision(const QString &targetDisplayName, bool canTake);

    // The statuses of a computer's two items, with their reasons.
    static QuickTransferMenuCommandStatus sendStatus(const PeerFacts &peer);
    static QuickTransferMenuCommandStatus takeStatus(const PeerFacts &peer);
};

} // namespace verandel
