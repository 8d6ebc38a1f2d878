#include "transfer/LocalTakeControlPendingTargetsStore.h"

namespace verandel {

LocalTakeControlPendingTargetsStore::~LocalTakeControlPendingTargetsStore()
{
    for (auto &targets : m_targetsByTransactionId) {
        for (Target &target : targets) {
            target.answerWait.request_stop();
        }
    }
}

void LocalTakeControlPendingTargetsStore::recordTargets(const QString &transactionId, const QList<QUuid> &targets)
{
    if (targets.isEmpty()) {
        return;
    }
    QHash<QUuid, Target> entry;
    for (const QUuid &target : targets) {
        entry.insert(target, Target{});
    }
    m_targetsByTransactionId.insert(transactionId, entry);
}

bool LocalTakeControlPendingTargetsStore::hasTransaction(const QString &transactionId) const
{
    return m_targetsByTransactionId.contains(transactionId);
}

QSet<QUuid> LocalTakeControlPendingTargetsStore::targets(const QString &transactionId) const
{
    QSet<QUuid> ids;
    const auto it = m_targetsByTransactionId.constFind(transactionId);
    if (it != m_targetsByTransactionId.constEnd()) {
        for (auto target = it->cbegin(); target != it->cend(); ++target) {
            ids.insert(target.key());
        }
    }
    return ids;
}

std::stop_token LocalTakeControlPendingTargetsStore::answerWaitToken(const QString &transactionId,
                                                                     const QUuid &target) const
{
    const auto it = m_targetsByTransactionId.constFind(transactionId);
    if (it != m_targetsByTransactionId.constEnd()) {
        const auto found = it->constFind(target);
        if (found != it->constEnd()) {
            return found->answerWait.get_token();
        }
    }
    std::stop_source stopped;
    stopped.request_stop();
    return stopped.get_token();
}

void LocalTakeControlPendingTargetsStore::markAnswered(const QString &transactionId, const QUuid &target)
{
    const auto it = m_targetsByTransactionId.find(transactionId);
    if (it == m_targetsByTransactionId.end()) {
        return;
    }
    const auto found = it->find(target);
    if (found != it->end()) {
        found->answered = true;
        found->answerWait.request_stop();
    }
}

bool LocalTakeControlPendingTargetsStore::isAwaitingAnswer(const QString &transactionId, const QUuid &target) const
{
    const auto it = m_targetsByTransactionId.constFind(transactionId);
    if (it == m_targetsByTransactionId.constEnd()) {
        return false;
    }
    const auto found = it->constFind(target);
    return found != it->constEnd() && !found->answered;
}

void LocalTakeControlPendingTargetsStore::clearTargetIfTerminal(const QString &transactionId, const QUuid &peerMacId,
                                                                const ControlTransferProgressStatus &status)
{
    if (!isTerminal(status)) {
        return;
    }
    const auto it = m_targetsByTransactionId.find(transactionId);
    if (it == m_targetsByTransactionId.end()) {
        return;
    }
    const auto found = it->find(peerMacId);
    if (found == it->end()) {
        return;
    }
    found->answerWait.request_stop();
    it->erase(found);
    if (it->isEmpty()) {
        m_targetsByTransactionId.erase(it);
    }
}

} // namespace verandel
