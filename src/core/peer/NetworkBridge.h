#pragma once

#include "foundation/ClockProtocol.h"
#include "foundation/LoggerFactory.h"
#include "foundation/TestCoordinatorProtocol.h"
#include "peer/PeerCommunicationHub.h"
#include "peer/PeerDirectoryServiceProtocol.h"
#include "peer/tcp/FrameListenerProtocol.h"
#include "peer/tcp/FrameSenderProtocol.h"
#include "records/MacIdentifierServiceProtocol.h"

#include <QHash>
#include <QList>
#include <QObject>
#include <QPointer>
#include <QVariantMap>

#include <memory>

namespace verandel {

// Joins the hub to the network. Outbound, every command published on the hub goes, wrapped in an
// envelope from this computer, to its recipient's discovered endpoint through the frame sender: once,
// with no retry; only the publishers of ping requests and devices-ready commands learn whether theirs
// was delivered. Inbound,
// every envelope the listener decoded becomes at most one received event on the hub, if it is addressed
// to this computer and comes from a linked, discovered computer at one of its discovered addresses
// (connection requests and their answers pass from anyone).
class NetworkBridge final : public QObject
{
    Q_OBJECT

public:
    struct Configuration
    {
        // Reported only; the frame sender owns the connection time-out.
        double requestTimeout = 10.0;
    };

    NetworkBridge(std::shared_ptr<PeerCommunicationHub> eventHub, FrameSenderPtr sender,
                  std::shared_ptr<FrameListenerProtocol> listener,
                  std::shared_ptr<PeerDirectoryServiceProtocol> directory,
                  std::shared_ptr<MacIdentifierServiceProtocol> macIdentifier, Configuration configuration,
                  const LoggerFactoryPtr &loggerFactory, ClockPtr clock, TestCoordinatorPtr testCoordinator = nullptr);
    ~NetworkBridge() override;

    // Subscribes to the hub's seven command publishers and the listener's frames before returning, so
    // nothing published after start() is missed.
    void start();
    void stop();
    bool running() const { return m_running; }

    // A ping refused because its sender was not linked is held this long, in case its acceptance of
    // a link is on its way: the acceptance lets it through again once the link is made.
    static constexpr double heldPingSeconds = 5.0;
    static constexpr qsizetype maxHeldPings = 8;
    // The computers this one asked for a link, until they answer: at most this many, the oldest
    // forgotten first. Their pings may overtake their acceptance, which is no fault worth a warning.
    static constexpr qsizetype maxAskedForLinks = 8;

    // "running", "requestTimeout", "activeSubscriptions", "eligiblePeersCount".
    QVariantMap diagnosticInfo() const;

    // Whether the address is one a linked, discovered computer was discovered at: the listener's
    // trusted addresses, which this bridge hands it at construction.
    static bool isLinkedAddress(const PeerDirectoryServiceProtocol &directory, const QHostAddress &address);

private:
    struct SendPath;

    template <typename Command, typename Signal>
    void subscribe(Signal signal, const SendPath &path);
    // Whether the frame sender delivered the command.
    template <typename Command>
    static QCoro::Task<bool> sendCommand(QPointer<NetworkBridge> self, Command command, const SendPath &path);
    template <typename Command>
    static QCoro::Task<> sendAndReport(QPointer<NetworkBridge> self, Command command, const SendPath &path,
                                       DeliveryReport report);

    struct HeldPing
    {
        ReceivedFrame frame;
        QDateTime heldAt;
    };
    enum class HeldPings { Hold, Drop };

    void demultiplexReceivedFrame(const ReceivedFrame &frame);
    void route(const ReceivedFrame &frame, HeldPings held);
    void holdPing(const ReceivedFrame &frame);
    void rememberLinkRequest(const QUuid &recipient);
    void releaseHeldPingLater(const QUuid &sender);
    template <typename Command, typename Event>
    void deliver(const ReceivedFrame &frame, const char *name);
    void signalTest(const QString &name) const;

    std::shared_ptr<PeerCommunicationHub> m_eventHub;
    FrameSenderPtr m_sender;
    std::shared_ptr<FrameListenerProtocol> m_listener;
    std::shared_ptr<PeerDirectoryServiceProtocol> m_directory;
    std::shared_ptr<MacIdentifierServiceProtocol> m_macIdentifier;
    Configuration m_configuration;
    LoggerPtr m_logger;
    ClockPtr m_clock;
    TestCoordinatorPtr m_testCoordinator;
    QList<QMetaObject::Connection> m_subscriptions;
    QHash<QUuid, HeldPing> m_heldPings;
    QHash<QUuid, QDateTime> m_askedForLinks;
    bool m_running = false;
};

} // namespace verandel
