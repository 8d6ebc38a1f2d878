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
class HandOverConfirmation
{
public:
    // How long a receiver's ping may take after its limits for the last device have passed.
    static constexpr double GRACE_SECONDS = 30.0;
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
    bool allConfirmed() const { return m_confirmed.size() == m_addresses.size(); }
    // Neither confirmed nor settled, in the order handed over.
    QStringList open() const;
    // When the receiver's limits for the open devices have passed: counted from the start for every
    // device, or from the latest new confirmation for those still open, whichever ends first.
    QDateTime deadline() const;

private:
    QUuid m_recipient;
    QStringList m_addresses;
    QDateTime m_startedAt;
    std::optional<QDateTime> m_lastConfirmedAt;
    QSet<QString> m_confirmed;
    QSet<QString> m_settled;
};

} // namespace verandel
