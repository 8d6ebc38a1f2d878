#include "shell/TransferProgressHandler.h"

#include "support/ManualClock.h"
#include "support/fakes/FakeControlCoordinator.h"
#include "support/fakes/FakeWindowController.h"
#include "support/fakes/RecordingStatusIconSink.h"

#include <QCoreApplication>

#include <gtest/gtest.h>

using namespace verandel;
using namespace verandel::test;
using namespace verandel::ProgressStatus;

namespace {

using Icon = MenuBarTransferFeedbackVisualState;

class TransferProgressHandlerTest : public ::testing::Test
{
protected:
    void publish(ControlTransferProgressStatus status,
                 ControlTransferDirection direction = ControlTransferDirection::SendControl)
    {
        coordinator->publish(ControlTransferProgress{QStringLiteral("33333333-3333-4333-8333-333333333333"), direction,
                                                     std::nullopt, std::move(status), clock->now()});
    }
    void advance(double seconds)
    {
        clock->advance(seconds);
        QCoreApplication::processEvents();
    }

    std::shared_ptr<ManualClock> clock = std::make_shared<ManualClock>();
    std::shared_ptr<FakeControlCoordinator> coordinator = std::make_shared<FakeControlCoordinator>();
    ControlCenterTransferState transferState;
    std::shared_ptr<RecordingStatusIconSink> sink = std::make_shared<RecordingStatusIconSink>();
    StatusItemTransferFeedbackController feedback{sink, std::make_shared<IconProvider>(), clock};
    PresentationJournal journal = std::make_shared<QStringList>();
    int windows = 0;
    ControlCenterWindowCoordinator windowCoordinator{
        [this] { return std::make_shared<FakeWindowController>(journal, ++windows); }, clock,
        std::make_shared<FakePresentationApplication>(journal)};
    TransferProgressHandler handler{coordinator, &transferState, &feedback, &windowCoordinator};
};

} // namespace

TEST_F(TransferProgressHandlerTest, StepsArriveAfterThePublishingCall)
{
    publish(OperationStarted{});
    EXPECT_EQ(transferState.message(), std::nullopt);
    EXPECT_EQ(feedback.visualState(), Icon::Idle);
    QCoreApplication::processEvents();
    EXPECT_EQ(transferState.message(), QStringLiteral("Sending control…"));
    EXPECT_EQ(feedback.visualState(), Icon::InProgress);
}

// The giving computer waits minutes for the receiver's confirmation; a failed pairing on the receiver
// can come back as a pair result here before the outcome.
TEST_F(TransferProgressHandlerTest, AHandOverThatWaitsForTheReceiver)
{
    windowCoordinator.present({ControlCenterPresentationReason::UserCommand, ControlCenterWindowOwnership::UserOwned});
    publish(OperationStarted{});
    publish(UnpairingStarted{2});
    publish(UnpairResult{QStringLiteral("AA:BB:CC:00:00:01"), true, std::nullopt});
    publish(DevicesReadySent{2});
    QCoreApplication::processEvents();
    EXPECT_EQ(transferState.message(), QStringLiteral("2 device(s) ready on peer."));
    advance(240);
    EXPECT_EQ(transferState.message(), QStringLiteral("2 device(s) ready on peer."));
    EXPECT_EQ(feedback.visualState(), Icon::InProgress);
    EXPECT_TRUE(feedback.isPulsing());

    publish(PairResult{QStringLiteral("AA:BB:CC:00:00:01"), false, OperationFailureCategory::Timeout});
    QCoreApplication::processEvents();
    EXPECT_EQ(transferState.message(), QStringLiteral("Failed to pair a device."));
    EXPECT_EQ(feedback.visualState(), Icon::InProgress);

    publish(Success{});
    QCoreApplication::processEvents();
    EXPECT_EQ(transferState.message(), QStringLiteral("Transfer complete."));
    EXPECT_EQ(feedback.visualState(), Icon::Success);
    advance(1.5);
    EXPECT_EQ(feedback.visualState(), Icon::Idle);
    // The user opened the window: it stays.
    EXPECT_FALSE(journal->contains(QStringLiteral("close 1")));
}

TEST_F(TransferProgressHandlerTest, AnInboundTransferThatNeedsTheUserOpensTheWindowUntilSuccess)
{
    publish(InboundTransferRequestReceived{}, ControlTransferDirection::InboundTransfer);
    publish(UserActionRequired{}, ControlTransferDirection::InboundTransfer);
    QCoreApplication::processEvents();
    EXPECT_EQ(windowCoordinator.ownership(), ControlCenterWindowOwnership::OperationOwned);
    EXPECT_EQ(feedback.visualState(), Icon::Warning);

    publish(Success{}, ControlTransferDirection::InboundTransfer);
    QCoreApplication::processEvents();
    advance(1.0);
    // A late step of the transfer keeps the window open.
    publish(OwnershipUpdated{1}, ControlTransferDirection::InboundTransfer);
    QCoreApplication::processEvents();
    advance(5);
    EXPECT_FALSE(journal->contains(QStringLiteral("close 1")));

    publish(Success{}, ControlTransferDirection::InboundTransfer);
    QCoreApplication::processEvents();
    advance(1.5);
    EXPECT_TRUE(journal->contains(QStringLiteral("close 1")));
    EXPECT_EQ(windowCoordinator.ownership(), std::nullopt);
}
