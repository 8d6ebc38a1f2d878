#pragma once

#include <QDateTime>
#include <QSet>
#include <QStringList>
#include <QUuid>

#include <optional>

namespace verandel {

// The devices this computer unpaired and handed to another computer, and what has become of each:
// confirmed once a ping of that computer lists it, settled once it is owned here again. A device that
// is neither is still open. Addresses are canonical. Main thread only.
//
// While devices are open the receiver is checked on regularly: a check fails when its ping could not
// be sent or when nothing was heard from the receiver before the next check. A receiver that fails
// several checks in a row is gone, and its open devices are better paired here at once than after
// the whole wait.
class HandOverConfirmation
{
public:
    // How long a receiver's ping may take after its limits for the last device have passed.
    static constexpr double GRACE_SECONDS = 30.0;
    // Failed checks in a row, since the command was written or since the latest new confirmation,
    // after which the receiver counts as gone.
    static constexpr int FAILED_CHECKS_TO_GIVE_UP = 3;
    // The longest a receiver spends on one device: searching for it, pairing it and connecting it.
    static double receiverLimitPerDeviceSeconds();

    HandOverConfirmation(QUuid recipient, QStringList addresses, QDateTime startedAt);

    // The receiver's time counts from here.
    void setStartedAt(const QDateTime &at) { m_startedAt = at; }

    const QUuid &recipient() const { return m_recipient; }
    const QStringList &addresses() const { return m_addresses; }

    // A ping listing these addresses; only one sent by the recipient confirms anything. A confirmation
    // stays. Answers whether a device was confirmed for the first time.
    bool confirm(const QUuid &sender, const QStringList &listed, const QDateTime &at);
    // The device is owned here again. Answers whether it was open.
    bool settle(const QString &address);

    bool isOpen(const QString &address) const;
    // Confirmed by the receiver, in the order handed over.
    QStringList confirmed() const;
    bool allConfirmed() const { return m_confirmed.size() == m_addresses.size(); }
    // Neither confirmed nor settled, in the order handed over.
    QStringList open() const;
    // When the receiver's limits for the open devices have passed: counted from the start for every
    // device, or from the latest new confirmation for those still open, whichever ends first.
    QDateTime deadline() const;

    // Begins a check of the receiver, ending the one before (see endCheck); answers its number.
    int beginCheck();
    // The check's ping could not be sent: it fails whatever is heard meanwhile.
    void checkNotSent(int check);
    // A ping request or answer of this sender arrived: the running check passes if it is the receiver's.
    void heardFrom(const QUuid &sender);
    // Ends the running check, if any, counting it when it failed.
    void endCheck();
    int failedChecksInRow() const { return m_failedChecksInRow; }
    bool receiverGone() const { return m_failedChecksInRow >= FAILED_CHECKS_TO_GIVE_UP; }

private:
    QUuid m_recipient;
    QStringList m_addresses;
    QDateTime m_startedAt;
    std::optional<QDateTime> m_lastConfirmedAt;
    QSet<QString> m_confirmed;
    QSet<QString> m_settled;
    // The running check: its number (0 before the first), whether it still can pass and whether the
    // receiver was heard during it.
    int m_check = 0;
    bool m_checkRunning = false;
    bool m_checkSent = true;
    bool m_checkHeard = false;
    int m_failedChecksInRow = 0;
};

} // namespace verandel
