#include "transfer/HandOverConfirmation.h"

#include "bluetooth/BluetoothDeviceManager.h"
#include "records/MacAddress.h"

#include <algorithm>
#include <cmath>

namespace verandel {

namespace {

QDateTime after(const QDateTime &start, int deviceCount)
{
    const double seconds
        = deviceCount * HandOverConfirmation::receiverLimitPerDeviceSeconds() + HandOverConfirmation::GRACE_SECONDS;
    return start.addMSecs(static_cast<qint64>(std::ceil(seconds * 1000.0)));
}

} // namespace

double HandOverConfirmation::receiverLimitPerDeviceSeconds()
{
    const BluetoothDeviceManagerTiming limits;
    return limits.discoverySeconds + (limits.pairCallTimeoutMs + limits.connectCallTimeoutMs) / 1000.0;
}

HandOverConfirmation::HandOverConfirmation(QUuid recipient, QStringList addresses, QDateTime startedAt)
    : m_recipient(recipient)
    , m_addresses(std::move(addresses))
    , m_startedAt(std::move(startedAt))
{ }

bool HandOverConfirmation::confirm(const QUuid &sender, const QStringList &listed, const QDateTime &at)
{
    if (sender != m_recipient) {
        return false;
    }
    bool confirmedNew = false;
    for (const QString &address : listed) {
        const QString canonical = MacAddress::normalized(address);
        if (m_addresses.contains(canonical) && !m_confirmed.contains(canonical)) {
            m_confirmed.insert(canonical);
            confirmedNew = true;
        }
    }
    if (confirmedNew) {
        m_lastConfirmedAt = at;
        m_failedChecksInRow = 0;
    }
    return confirmedNew;
}

bool HandOverConfirmation::settle(const QString &address)
{
    if (!isOpen(address)) {
        return false;
    }
    m_settled.insert(address);
    return true;
}

bool HandOverConfirmation::isOpen(const QString &address) const
{
    return m_addresses.contains(address) && !m_confirmed.contains(address) && !m_settled.contains(address);
}

QStringList HandOverConfirmation::open() const
{
    QStringList open;
    std::copy_if(m_addresses.cbegin(), m_addresses.cend(), std::back_inserter(open),
                 [this](const QString &address) { return isOpen(address); });
    return open;
}

QStringList HandOverConfirmation::confirmed() const
{
    QStringList confirmed;
    std::copy_if(m_addresses.cbegin(), m_addresses.cend(), std::back_inserter(confirmed),
                 [this](const QString &address) { return m_confirmed.contains(address); });
    return confirmed;
}

QDateTime HandOverConfirmation::deadline() const
{
    const QDateTime fromStart = after(m_startedAt, static_cast<int>(m_addresses.size()));
    if (!m_lastConfirmedAt) {
        return fromStart;
    }
    // The receiver pairs one device after another: once it has confirmed one, only the open ones
    // can still be on their way.
    return std::min(fromStart, after(*m_lastConfirmedAt, static_cast<int>(open().size())));
}

int HandOverConfirmation::beginCheck()
{
    endCheck();
    m_checkRunning = true;
    m_checkSent = true;
    m_checkHeard = false;
    return ++m_check;
}

void HandOverConfirmation::checkNotSent(int check)
{
    if (m_checkRunning && check == m_check) {
        m_checkSent = false;
    }
}

void HandOverConfirmation::heardFrom(const QUuid &sender)
{
    if (sender == m_recipient) {
        m_checkHeard = true;
    }
}

void HandOverConfirmation::endCheck()
{
    if (!m_checkRunning) {
        return;
    }
    m_checkRunning = false;
    if (m_checkSent && m_checkHeard) {
        m_failedChecksInRow = 0;
    } else {
        ++m_failedChecksInRow;
    }
}

} // namespace verandel
