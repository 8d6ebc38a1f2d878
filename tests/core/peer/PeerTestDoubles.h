#pragma once

#include "linking/PeerDirectoryServiceProtocol.h"
#include "peer/FrameListenerProtocol.h"
#include "peer/FrameSenderProtocol.h"
#include "records/MacIdentifierServiceProtocol.h"

#include <QHash>
#include <QSet>

namespace verandel::test {

// The three directory reads over two plain tables.
class FakePeerDirectory final : public PeerDirectoryServiceProtocol
{
public:
    QHash<QUuid, DiscoverableMac> discovered;
    QSet<QUuid> linked;
    mutable QList<QUuid> eligibilityQuestions;

    std::optional<DiscoverableMac> discoverableMac(const QUuid &macId) const override
    {
        const auto it = discovered.find(macId);
        return it == discovered.end() ? std::nullopt : std::optional<DiscoverableMac>(*it);
    }
    bool isEligible(const QUuid &macId) const override
    {
        eligibilityQuestions.append(macId);
        return linked.contains(macId) && discovered.contains(macId);
    }
    QList<QUuid> eligiblePeers() const override
    {
        QList<QUuid> peers;
        for (const QUuid &id : linked) {
            if (discovered.contains(id)) {
                peers.append(id);
            }
        }
        return peers;
    }
};

class FakeMacIdentifier final : public MacIdentifierServiceProtocol
{
public:
    explicit FakeMacIdentifier(QUuid id)
        : macId(id)
    { }
    QUuid macId;

    QUuid currentMacId() const override { return macId; }
    QString installationId() const override { return QStringLiteral("0a1b2c3d-4e5f-4a6b-8c7d-9e0f1a2b3c4d"); }
    std::optional<QString> advertisedName() const override { return QStringLiteral("Node"); }
    DiscoverableMac makeDiscoveredMac(const std::optional<QString> &securityCode) const override
    {
        return DiscoverableMac(macId, QStringLiteral("Node"), QStringLiteral("1.0.6"), std::nullopt, installationId(),
                               securityCode, QDateTime::currentDateTimeUtc());
    }
    void setAdvertisedName(const std::optional<QString> &) override { }
};

// A listener whose frames the test publishes itself.
class FakeFrameListener final : public FrameListenerProtocol
{
public:
    void start(const DiscoverableMac &) override { m_running = true; }
    void alterAdvertisedMac(const DiscoverableMac &) override { }
    void stop() override { m_running = false; }
    bool isRunning() const override { return m_running; }
    void publish(const ReceivedFrame &frame) { Q_EMIT receivedFrames(frame); }

private:
    bool m_running = false;
};

class RecordingFrameSender final : public FrameSenderProtocol
{
public:
    struct Sent
    {
        RawEventEnvelope envelope;
        DiscoverableMac recipient;
    };
    QList<Sent> sent;
    bool answer = true;

    QCoro::Task<bool> send(RawEventEnvelope envelope, DiscoverableMac recipient) override
    {
        sent.append(Sent{envelope, recipient});
        const bool result = answer;
        co_return result;
    }
};

} // namespace verandel::test
