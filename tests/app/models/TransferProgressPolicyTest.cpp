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

TEST(TransferProgressPolicyTest, EveryStatusHasItsMessage)
{
    using Dir = ControlTransferDirection;
    const QString address = QStringLiteral("AA:BB:CC:DD:EE:FF");
    const std::tuple<ControlTransferProgressStatus, Dir, const char *> cases[] = {
        {OperationStarted{}, Dir::SendControl, "Sending control…"},
        {OperationStarted{}, Dir::TakeControl, "Taking control…"},
        {OperationStarted{}, Dir::InboundTransfer, "Incoming transfer started…"},
        {OutboundTransferRequestSent{}, Dir::TakeControl, "Transfer request sent."},
        {InboundTransferRequestReceived{}, Dir::InboundTransfer, "Incoming transfer request received."},
        {UnpairingStarted{0}, Dir::SendControl, "Preparing 0 device(s) for transfer…"},
        {UnpairingStarted{1234}, Dir::SendControl, "Preparing 1234 device(s) for transfer…"},
        {UnpairResult{address, true, std::nullopt}, Dir::SendControl, "Device prepared for transfer."},
        {UnpairResult{address, false, OperationFailureCategory::Timeout}, Dir::SendControl,
         "Failed to prepare a device."},
        {DevicesReadySent{12}, Dir::InboundTransfer, "12 device(s) ready on peer."},
        {PairingStarted{3}, Dir::TakeControl, "Pairing 3 device(s)…"},
        {PairResult{address, true, std::nullopt}, Dir::TakeControl, "Device paired."},
        {PairResult{address, false, std::nullopt}, Dir::TakeControl, "Failed to pair a device."},
        {OwnershipUpdated{2}, Dir::TakeControl, "Ownership updated for 2 device(s)."},
        {Blocked{ControlTransferBlockedReason::NoEligibleTarget}, Dir::SendControl, "Transfer unavailable right now."},
        {Blocked{ControlTransferBlockedReason::BluetoothPermissionPreflight}, Dir::TakeControl,
         "Transfer unavailable right now."},
        {Failed{std::nullopt}, Dir::SendControl, "Transfer failed."},
        {Failed{OperationFailureCategory::Timeout}, Dir::TakeControl, "Transfer failed."},
        {Cancelled{}, Dir::SendControl, "Transfer cancelled."},
        {UserActionRequired{}, Dir::InboundTransfer, "Action required to continue transfer."},
        {Success{}, Dir::TakeControl, "Transfer complete."},
    };
    for (const auto &[status, direction, expected] : cases) {
        EXPECT_EQ(ControlCenterTransferProgressPolicy::message(progress(status, direction)),
                  QString::fromUtf8(expected));
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
    state.setMessage(QStringLiteral("Transfer complete."));
    state.setMessage(QStringLiteral("Transfer complete."));
    state.setMessage(std::nullopt);
    EXPECT_EQ(spy.count(), 3);
    EXPECT_EQ(state.message(), std::nullopt);
}
