#include "models/ControlCenterTransferProgressPolicy.h"
#include "models/ControlCenterTransferState.h"

#include <QSignalSpy>

#include <gtest/gtest.h>

using namespace verandel;
using namespace verandel::ProgressStatus;

namespace {

ControlTransferProgress progress(ControlTransferProgressStatus status,
                                 ControlTransferDirection direction = ControlTransferDirection::SendControl)
{
    return ControlTransferProgress{QStringLiteral("0f8fad5b-d9cb-469f-a165-70867728950e"), direction, std::nullopt,
                                   std::move(status), QDateTime()};
}

} // namespace

TEST(TransferProgressPolicyTest, EveryStatusHasItsMessageAndKind)
{
    using Dir = ControlTransferDirection;
    constexpr auto running = ControlCenterTransferMessageKind::InProgress;
    constexpr auto done = ControlCenterTransferMessageKind::Done;
    constexpr auto warning = ControlCenterTransferMessageKind::Warning;
    const QString address = QStringLiteral("AA:BB:CC:DD:EE:FF");
    const std::tuple<ControlTransferProgressStatus, Dir, const char *, ControlCenterTransferMessageKind> cases[] = {
        {OperationStarted{}, Dir::SendControl, "Sending control…", running},
        {OperationStarted{}, Dir::TakeControl, "Taking control…", running},
        {OperationStarted{}, Dir::InboundTransfer, "Incoming transfer started…", running},
        {OutboundTransferRequestSent{}, Dir::TakeControl, "Transfer request sent.", running},
        {InboundTransferRequestReceived{}, Dir::InboundTransfer, "Incoming transfer request received.", running},
        {UnpairingStarted{0}, Dir::SendControl, "Preparing 0 device(s) for transfer…", running},
        {UnpairingStarted{1234}, Dir::SendControl, "Preparing 1234 device(s) for transfer…", running},
        {UnpairResult{address, true, std::nullopt}, Dir::SendControl, "Device prepared for transfer.", running},
        {UnpairResult{address, false, OperationFailureCategory::Timeout}, Dir::SendControl,
         "Failed to prepare a device.", running},
        {DevicesReadySent{12}, Dir::InboundTransfer, "12 device(s) ready on peer.", running},
        {PairingStarted{3}, Dir::TakeControl, "Pairing 3 device(s)…", running},
        {PairResult{address, true, std::nullopt}, Dir::TakeControl, "Device paired.", running},
        {PairResult{address, false, std::nullopt}, Dir::TakeControl, "Failed to pair a device.", running},
        {OwnershipUpdated{2}, Dir::TakeControl, "Ownership updated for 2 device(s).", running},
        {Blocked{ControlTransferBlockedReason::NoEligibleTarget}, Dir::SendControl, "Transfer unavailable right now.",
         warning},
        {Blocked{ControlTransferBlockedReason::BluetoothPermissionPreflight}, Dir::TakeControl,
         "Transfer unavailable right now.", warning},
        {Failed{std::nullopt}, Dir::SendControl, "Transfer failed.", warning},
        {Failed{OperationFailureCategory::Timeout}, Dir::TakeControl, "Transfer failed.", warning},
        {Cancelled{}, Dir::SendControl, "Transfer cancelled.", warning},
        {UserActionRequired{}, Dir::InboundTransfer, "Action required to continue transfer.", warning},
        {Success{}, Dir::TakeControl, "Transfer complete.", done},
    };
    for (const auto &[status, direction, expected, kind] : cases) {
        EXPECT_EQ(ControlCenterTransferProgressPolicy::message(progress(status, direction)),
                  QString::fromUtf8(expected));
        EXPECT_EQ(ControlCenterTransferProgressPolicy::messageKind(progress(status, direction)), kind) << expected;
    }
}

TEST(TransferProgressPolicyTest, PresentationAndAutoClose)
{
    using P = ControlCenterTransferProgressPolicy;
    using Decision = ControlCenterTransferProgressPresentationDecision;
    EXPECT_EQ(P::inboundPresentationDecision(progress(UserActionRequired{}, ControlTransferDirection::InboundTransfer)),
              Decision::Activating);
    EXPECT_EQ(P::inboundPresentationDecision(progress(UserActionRequired{}, ControlTransferDirection::TakeControl)),
              Decision::None);
    EXPECT_EQ(P::inboundPresentationDecision(progress(Success{}, ControlTransferDirection::InboundTransfer)),
              Decision::None);

    const auto operation = ControlCenterWindowOwnership::OperationOwned;
    const auto user = ControlCenterWindowOwnership::UserOwned;
    EXPECT_TRUE(P::shouldAutoCloseAfterSuccess(progress(Success{}), operation));
    EXPECT_FALSE(P::shouldAutoCloseAfterSuccess(progress(Success{}), user));
    EXPECT_FALSE(P::shouldAutoCloseAfterSuccess(progress(Success{}), std::nullopt));
    EXPECT_FALSE(P::shouldAutoCloseAfterSuccess(progress(Failed{}), operation));
    EXPECT_FALSE(P::shouldAutoCloseAfterSuccess(progress(DevicesReadySent{1}), operation));
}

TEST(TransferProgressPolicyTest, TheStateAnnouncesEveryAssignment)
{
    ControlCenterTransferState state;
    QSignalSpy spy(&state, &ControlCenterTransferState::messageChanged);
    state.setMessage(QStringLiteral("Transfer complete."), ControlCenterTransferMessageKind::Done);
    state.setMessage(QStringLiteral("Transfer complete."), ControlCenterTransferMessageKind::Done);
    EXPECT_EQ(state.kind(), ControlCenterTransferMessageKind::Done);
    state.setMessage(std::nullopt, ControlCenterTransferMessageKind::InProgress);
    EXPECT_EQ(spy.count(), 3);
    EXPECT_EQ(state.message(), std::nullopt);
}
