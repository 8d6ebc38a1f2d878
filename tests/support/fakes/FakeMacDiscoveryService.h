#pragma once

#include "foundation/StorageError.h"
#include "linking/MacDiscoveryError.h"
#include "linking/MacDiscoveryServiceProtocol.h"

#include <QStringList>

namespace verandel::test {

// Discovery Mode as the windows see it: every call is recorded ("startDiscovery", "accept <id>", …)
// and acts on the published values the simplest way; the set…() helpers publish what the test wants.
class FakeMacDiscoveryService final : public MacDiscoveryServiceProtocol
{
public:
    QStringList calls;
    // Thrown by startDiscovery instead of starting.
    std::optional<MacDiscoveryError> startDiscoveryError;
    // Thrown by startAdvertising (still recorded).
    std::optional<MacDiscoveryError> startAdvertisingError;
    // When set, advertising calls are also appended here, to order them among other services' calls.
    QStringList *journal = nullptr;
    // Thrown by sendConnectionRequest, cancel…, accept… and reject… (still recorded).
    std::optional<MacDiscoveryError> connectionRequestError;
    // Thrown by removeConnectedMac (still recorded).
    std::optional<StorageError> removeError;
    // The code startDiscovery and generateNewSecurityCode use when none is given.
    QString nextCode = QStringLiteral("K7Q2ZX");

    DiscoverySessionPtr currentSession() const override { return m_session; }
    std::optional<SecurityCode> currentSecurityCode() const override { return m_code; }
    DiscoveryServiceState state() const override { return m_state; }
    QList<DiscoverableMac> discoveredMacs() const override { return m_macs; }
    QList<ConnectionRequest> connectionRequests() const override { return m_requests; }

    QCoro::Task<> startAdvertising() override
    {
        calls.append(QStringLiteral("startAdvertising"));
        if (journal) {
            journal->append(QStringLiteral("discovery.startAdvertising"));
        }
        if (startAdvertisingError) {
            throw *startAdvertisingError;
        }
        co_return;
    }
    QCoro::Task<> stopAdvertising() override
    {
        calls.append(QStringLiteral("stopAdvertising"));
        if (journal) {
            journal->append(QStringLiteral("discovery.stopAdvertising"));
        }
        co_return;
    }
    QCoro::Task<> startDiscovery(std::optional<QString> customSecurityCode) override
    {
        calls.append(QStringLiteral("startDiscovery"));
        if (startDiscoveryError) {
            throw *startDiscoveryError;
        }
        setSecurityCode(SecurityCode(customSecurityCode.value_or(nextCode)));
        setState(DiscoveryServiceState::Active);
        co_return;
    }
    QCoro::Task<> stopDiscovery() override
    {
        calls.append(QStringLiteral("stopDiscovery"));
        setSession(nullptr);
        setSecurityCode(std::nullopt);
        setConnectionRequests({});
        setState(DiscoveryServiceState::Idle);
        co_return;
    }
    QCoro::Task<SecurityCode> generateNewSecurityCode() override
    {
        calls.append(QStringLiteral("generateNewSecurityCode"));
        const SecurityCode code(nextCode);
        setSecurityCode(code);
        co_return code;
    }
    QCoro::Task<> sendConnectionRequest(QUuid macId) override { return record(QStringLiteral("send"), macId); }
    QCoro::Task<> cancelConnectionRequest(QUuid macId) override { return record(QStringLiteral("cancel"), macId); }
    QCoro::Task<> acceptConnectionRequest(QUuid macId) override { return record(QStringLiteral("accept"), macId); }
    QCoro::Task<> rejectConnectionRequest(QUuid macId) override { return record(QStringLiteral("reject"), macId); }
    QCoro::Task<> removeConnectedMac(QUuid macId) override
    {
        calls.append(QStringLiteral("remove ") + idText(macId));
        if (removeError) {
            throw *removeError;
        }
        co_return;
    }

    void setState(DiscoveryServiceState state)
    {
        m_state = state;
        Q_EMIT stateChanged(state);
    }
    void setSession(DiscoverySessionPtr session)
    {
        m_session = std::move(session);
        Q_EMIT currentSessionChanged(m_session);
    }
    void setSecurityCode(std::optional<SecurityCode> code)
    {
        m_code = std::move(code);
        Q_EMIT currentSecurityCodeChanged(m_code);
    }
    void setDiscoveredMacs(QList<DiscoverableMac> macs)
    {
        m_macs = std::move(macs);
        Q_EMIT discoveredMacsChanged(m_macs);
    }
    void setConnectionRequests(QList<ConnectionRequest> requests)
    {
        m_requests = std::move(requests);
        Q_EMIT connectionRequestsChanged(m_requests);
    }
    void establish(const ConnectedMac &mac) { Q_EMIT connectionEstablished(mac); }

private:
    static QString idText(const QUuid &id) { return id.toString(QUuid::WithoutBraces).toUpper(); }

    QCoro::Task<> record(QString operation, QUuid macId)
    {
        calls.append(operation + QLatin1Char(' ') + idText(macId));
        if (connectionRequestError) {
            throw *connectionRequestError;
        }
        co_return;
    }

    DiscoverySessionPtr m_session;
    std::optional<SecurityCode> m_code;
    DiscoveryServiceState m_state = DiscoveryServiceState::Idle;
    QList<DiscoverableMac> m_macs;
    QList<ConnectionRequest> m_requests;
};

} // namespace verandel::test
