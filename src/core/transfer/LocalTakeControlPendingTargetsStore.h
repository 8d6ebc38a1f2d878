#pragma once

#include "transfer/ControlTransferProgressStatus.h"

#include <QHash>
#include <QList>
#include <QSet>
#include <QString>
#include <QUuid>

#include <stop_token>

namespace verandel {

// The targets of each take control begun here that have not reached a terminal status, by
// transaction id. A devices-ready answer whose transaction is held here answers this computer's own
// request. Each target also carries the stop source of the wait for its answer, stopped once the
// answer arrives or the target leaves. Main thread only; no key ever maps to no target.
class LocalTakeControlPendingTargetsStore
{
public:
    LocalTakeControlPendingTargetsStore() = default;
    LocalTakeControlPendingTargetsStore(const LocalTakeControlPendingTargetsStore &) = delete;
    LocalTakeControlPendingTargetsStore &operator=(const LocalTakeControlPendingTargetsStore &) = delete;
    // Stops every wait still running.
    ~LocalTakeControlPendingTargetsStore();

    // Replaces the transaction's targets; an empty list records nothing.
    void recordTargets(const QString &transactionId, const QList<QUuid> &targets);
    bool hasTransaction(const QString &transactionId) const;
    QSet<QUuid> targets(const QString &transactionId) const;
    bool isEmpty() const { return m_targetsByTransactionId.isEmpty(); }

    // The token that stops when the target answers or leaves; an already stopped one when the target
    // is not pending.
    std::stop_token answerWaitToken(const QString &transactionId, const QUuid &target) const;
    // The target's answer arrived: its wait ends. Nothing for a computer that is not a pending target.
    void markAnswered(const QString &transactionId, const QUuid &target);
    // Still a target and not yet answered.
    bool isAwaitingAnswer(const QString &transactionId, const QUuid &target) const;

    // Removes the target from the transaction when the status ends its transfer, and the transaction
    // with its last target. Transaction ids compare as exact text.
    void clearTargetIfTerminal(const QString &transactionId, const QUuid &peerMacId,
                               const ControlTransferProgressStatus &status);

private:
    struct Target
    {
        std::stop_source answerWait;
        bool answered = false;
    };

    QHash<QString, QHash<QUuid, Target>> m_targetsByTransactionId;
};

} // namespace verandel
