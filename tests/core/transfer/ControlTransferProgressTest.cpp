#include "transfer/ControlTransferProgress.h"
#include "transfer/LocalTakeControlPendingTargetsStore.h"

#include "support/QtPrinters.h"
#include "support/TransferPrinters.h"

#include <gtest/gtest.h>

using namespace verandel;
using namespace verandel::ProgressStatus;
using Status = ControlTransferProgressStatus;

namespace {

const QUuid kPeer = QUuid::fromString(QStringLiteral("b1000000-0000-4000-8000-000000000001"));
const QUuid kOther = QUuid::fromString(QStringLiteral("b1000000-0000-4000-8000-000000000002"));
const QString kAddress = QStringLiteral("a4:83:e7:00:00:01");

} // namespace

TEST(ControlTransferProgressTest, StatusesAreEqualOnlyWithTheSameCaseAndValues)
{
    struct Row
    {
        const char *name;
        Status left;
        Status right;
        bool equal;
    };
    const Row rows[] = {
        {"failed without and with unknown", Failed{}, Failed{OperationFailureCategory::Unknown}, false},
        {"two blocked reasons", Blocked{ControlTransferBlockedReason::PeerUnavailable},
         Blocked{ControlTransferBlockedReason::NoEligibleTarget}, false},
        {"unpair results, two categories", UnpairResult{kAddress, false, OperationFailureCategory::Timeout},
         UnpairResult{kAddress, false, OperationFailureCategory::Conflict}, false},
        {"unpair results, one category absent", UnpairResult{kAddress, false, {}},
         UnpairResult{kAddress, false, OperationFailureCategory::Conflict}, false},
        {"cases without values", UserActionRequired{}, UserActionRequired{}, true},
    };
    for (const Row &row : rows) {
        SCOPED_TRACE(row.name);
        EXPECT_EQ(row.left == row.right, row.equal);
    }
}

TEST(ControlTransferProgressTest, TerminalStatusesAndRecordEquality)
{
    const Status terminal[] = {Blocked{}, Failed{}, Cancelled{}, UserActionRequired{}, Success{}};
    const Status intermediate[] = {UnpairingStarted{1},
                                   UnpairResult{},
                                   DevicesReadySent{1},
                                   PairingStarted{1},
                                   PairResult{},
                                   OwnershipUpdated{1},
                                   OperationStarted{},
                                   OutboundTransferRequestSent{},
                                   InboundTransferRequestReceived{}};
    for (const Status &status : terminal) {
        EXPECT_TRUE(isTerminal(status)) << test::describe(status).toStdString();
    }
    for (const Status &status : intermediate) {
        EXPECT_FALSE(isTerminal(status)) << test::describe(status).toStdString();
    }

    const QDateTime at(QDate(2026, 1, 1), QTime(8, 0), Qt::UTC);
    const ControlTransferProgress record{QStringLiteral("7d0f3c52-9a1e-4b7c-8e21-5f6a0b1c2d3e"),
                                         ControlTransferDirection::TakeControl, kPeer, Success{}, at};
    ControlTransferProgress later = record;
    later.occurredAt = at.addMSecs(1);
    ControlTransferProgress withoutPeer = record;
    withoutPeer.peerMacId.reset();
    EXPECT_EQ(record, ControlTransferProgress(record));
    EXPECT_NE(record, later);
    EXPECT_NE(record, withoutPeer);

    EXPECT_EQ(controlTransferDirectionFromString(u"takeControl"), ControlTransferDirection::TakeControl);
    EXPECT_EQ(controlTransferDirectionFromString(u"TakeControl"), std::nullopt);
    EXPECT_EQ(controlTransferDirectionFromString(u"inbound"), std::nullopt);
    for (const ControlTransferDirection direction : allControlTransferDirections) {
        EXPECT_EQ(controlTransferDirectionFromString(toString(direction)), direction);
    }
}

TEST(LocalTakeControlPendingTargetsStoreTest, OnlyTerminalStatusesClearTargetsOneByOne)
{
    const QString transaction = QStringLiteral("7d0f3c52-9a1e-4b7c-8e21-5f6a0b1c2d3e");
    LocalTakeControlPendingTargetsStore store;
    store.recordTargets(transaction, {});
    EXPECT_TRUE(store.isEmpty()) << "no transaction without targets";
    store.recordTargets(transaction, {kPeer, kOther});
    const std::stop_token wait = store.answerWaitToken(transaction, kPeer);
    EXPECT_FALSE(wait.stop_requested());
    EXPECT_TRUE(store.answerWaitToken(transaction.toUpper(), kPeer).stop_requested()) << "ids compare exactly";

    store.clearTargetIfTerminal(transaction, kPeer, OperationStarted{});
    store.clearTargetIfTerminal(transaction.toUpper(), kPeer, Success{});
    EXPECT_EQ(store.targets(transaction), (QSet<QUuid>{kPeer, kOther}));

    store.markAnswered(transaction, kPeer);
    EXPECT_TRUE(wait.stop_requested()) << "an answer ends the wait";
    EXPECT_FALSE(store.isAwaitingAnswer(transaction, kPeer));
    EXPECT_TRUE(store.isAwaitingAnswer(transaction, kOther));

    store.clearTargetIfTerminal(transaction, kPeer, Failed{});
    EXPECT_EQ(store.targets(transaction), QSet<QUuid>{kOther});
    store.clearTargetIfTerminal(transaction, kOther, Blocked{});
    EXPECT_FALSE(store.hasTransaction(transaction));
}
