#include "tray/ControlCenterQuickTransferPolicy.h"

#include "kit/UntrustedText.h"

#include <QCollator>

#include <algorithm>

namespace verandel {

namespace {

// A computer's name inside an item's title or reason.
QString isolated(const QString &name)
{
    return UntrustedText::isolated(UntrustedText::elided(name));
}

ControlCenterQuickTransferPolicy::ExecutionDecision decision(const QString &name, bool possible)
{
    if (possible) {
        return {};
    }
    return {QStringLiteral("Transfer unavailable for %1.").arg(isolated(name))};
}

QString notConnected(const QString &name)
{
    return QStringLiteral("%1 is not currently connected.").arg(isolated(name));
}

} // namespace

QList<QuickTransferMenuCommand>
ControlCenterQuickTransferPolicy::buildCommands(const QList<ConnectedMac> &connectedMacs,
                                                const StatusMap &sendCommandStatuses,
                                                const StatusMap &takeCommandStatuses)
{
    QCollator collator;
    collator.setCaseSensitivity(Qt::CaseInsensitive);
    QList<ConnectedMac> sorted = connectedMacs;
    std::stable_sort(sorted.begin(), sorted.end(), [&collator](const ConnectedMac &a, const ConnectedMac &b) {
        return collator.compare(a.displayName(), b.displayName()) < 0;
    });

    QList<QuickTransferMenuCommand> commands;
    for (const ConnectedMac &mac : sorted) {
        const QString name = mac.displayName();
        if (const auto send = sendCommandStatuses.constFind(mac.id()); send != sendCommandStatuses.cend()) {
            commands.append({QStringLiteral("Move Devices to %1").arg(isolated(name)),
                             {QuickTransferAction::Kind::SendControl, mac.id(), name},
                             *send});
        }
        if (const auto take = takeCommandStatuses.constFind(mac.id()); take != takeCommandStatuses.cend()) {
            commands.append({QStringLiteral("Pull Devices from %1").arg(isolated(name)),
                             {QuickTransferAction::Kind::TakeControl, mac.id(), name},
                             *take});
        }
    }
    return commands;
}

ControlCenterQuickTransferPolicy::ExecutionDecision
ControlCenterQuickTransferPolicy::sendControlDecision(const QString &targetDisplayName, bool canSend)
{
    return decision(targetDisplayName, canSend);
}

ControlCenterQuickTransferPolicy::ExecutionDecision
ControlCenterQuickTransferPolicy::takeControlDecision(const QString &targetDisplayName, bool canTake)
{
    return decision(targetDisplayName, canTake);
}

QuickTransferMenuCommandStatus ControlCenterQuickTransferPolicy::sendStatus(const PeerFacts &peer)
{
    if (!peer.isReachable) {
        return QuickTransferMenuCommandStatus::unavailable(notConnected(peer.displayName), true);
    }
    if (peer.canSend) {
        return QuickTransferMenuCommandStatus::available();
    }
    return QuickTransferMenuCommandStatus::unavailable(
        QStringLiteral("No shared devices are currently available on this computer."), false);
}

QuickTransferMenuCommandStatus ControlCenterQuickTransferPolicy::takeStatus(const PeerFacts &peer)
{
    if (!peer.isReachable) {
        if (peer.localDeviceCount > 0) {
            return QuickTransferMenuCommandStatus::unavailable(notConnected(peer.displayName), true);
        }
        return QuickTransferMenuCommandStatus::unavailable(
            QStringLiteral("No shared devices are currently available on this computer or %1.")
                .arg(isolated(peer.displayName)),
            true);
    }
    if (peer.peerOwnsDevices && peer.canTake) {
        return QuickTransferMenuCommandStatus::available();
    }
    return QuickTransferMenuCommandStatus::unavailable(
        QStringLiteral("%1 does not currently own any shared devices.").arg(isolated(peer.displayName)), false);
}

} // namespace verandel
