#include "models/ControlCenterTransferProgressPolicy.h"

namespace verandel {

namespace {

template <class... Handlers>
struct Overloaded : Handlers...
{
    using Handlers::operator()...;
};

QString count(int n)
{
    return QString::number(n);
}

} // namespace

QString ControlCenterTransferProgressPolicy::message(const ControlTransferProgress &progress)
{
    using namespace ProgressStatus;
    const ControlTransferDirection direction = progress.direction;
    return std::visit(
        Overloaded{
            [direction](const OperationStarted &) {
                switch (direction) {
                case ControlTransferDirection::SendControl: return QStringLiteral("Sending control…");
                case ControlTransferDirection::TakeControl: return QStringLiteral("Taking control…");
                case ControlTransferDirection::InboundTransfer: break;
                }
                return QStringLiteral("Incoming transfer started…");
            },
            [](const OutboundTransferRequestSent &) { return QStringLiteral("Transfer request sent."); },
            [](const InboundTransferRequestReceived &) {
                return QStringLiteral("Incoming transfer request received.");
            },
            [](const UnpairingStarted &s) {
                return QStringLiteral("Preparing %1 device(s) for transfer…").arg(count(s.totalDeviceCount));
            },
            [](const UnpairResult &s) {
                return s.success ? QStringLiteral("Device prepared for transfer.")
                                 : QStringLiteral("Failed to prepare a device.");
            },
            [](const DevicesReadySent &s) {
                return QStringLiteral("%1 device(s) ready on peer.").arg(count(s.readyDeviceCount));
            },
            [](const PairingStarted &s) {
                return QStringLiteral("Pairing %1 device(s)…").arg(count(s.totalDeviceCount));
            },
            [](const PairResult &s) {
                return s.success ? QStringLiteral("Device paired.") : QStringLiteral("Failed to pair a device.");
            },
            [](const OwnershipUpdated &s) {
                return QStringLiteral("Ownership updated for %1 device(s).").arg(count(s.updatedDeviceCount));
            },
            [](const Blocked &) { return QStringLiteral("Transfer unavailable right now."); },
            [](const Failed &) { return QStringLiteral("Transfer failed."); },
            [](const Cancelled &) { return QStringLiteral("Transfer cancelled."); },
            [](const UserActionRequired &) { return QStringLiteral("Action required to continue transfer."); },
            [](const Success &) { return QStringLiteral("Transfer complete."); },
        },
        progress.status);
}

ControlCenterTransferMessageKind
ControlCenterTransferProgressPolicy::messageKind(const ControlTransferProgress &progress)
{
    using namespace ProgressStatus;
    const auto &status = progress.status;
    if (std::holds_alternative<Blocked>(status) || std::holds_alternative<Failed>(status)
        || std::holds_alternative<Cancelled>(status) || std::holds_alternative<UserActionRequired>(status)) {
        return ControlCenterTransferMessageKind::Warning;
    }
    return std::holds_alternative<Success>(status) ? ControlCenterTransferMessageKind::Done
                                                   : ControlCenterTransferMessageKind::InProgress;
}

ControlCenterTransferProgressPresentationDecision
ControlCenterTransferProgressPolicy::inboundPresentationDecision(const ControlTransferProgress &progress)
{
    const bool needsUser = progress.direction == ControlTransferDirection::InboundTransfer
        && std::holds_alternative<ProgressStatus::UserActionRequired>(progress.status);
    return needsUser ? ControlCenterTransferProgressPresentationDecision::Activating
                     : ControlCenterTransferProgressPresentationDecision::None;
}

bool ControlCenterTransferProgressPolicy::shouldAutoCloseAfterSuccess(
    const ControlTransferProgress &progress, std::optional<ControlCenterWindowOwnership> ownership)
{
    return std::holds_alternative<ProgressStatus::Success>(progress.status)
        && ownership == ControlCenterWindowOwnership::OperationOwned;
}

} // namespace verandel
