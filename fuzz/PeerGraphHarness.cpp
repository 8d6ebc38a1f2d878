#include "PeerGraphHarness.h"

#include "FuzzApplication.h"
#include "FuzzPromises.h"
#include "FuzzRequire.h"
#include "PeerInputHarness.h"

#include "peer/tcp/EphemeralFrameSender.h"
#include "records/MacAddress.h"

#include "support/LinkedNode.h"
#include "support/RunTask.h"

#include <QCoreApplication>
#include <QDir>

namespace verandel::fuzz {

namespace {

constexpr qsizetype kMaxListedDevices = 100;

void requireCanonicalAddresses(const QStringList &addresses)
{
    require(addresses.size() <= kMaxListedDevices, QStringLiteral("an unbounded device list"));
    for (const QString &address : addresses) {
        require(MacAddress::isValid(address) && address == MacAddress::normalized(address),
                QStringLiteral("an address not canonical: ") + address);
    }
}

void requireCleanText(const std::optional<QString> &text)
{
    if (text) {
        for (const char32_t c : text->toUcs4()) {
            require(!isControlOrBidiControl(c),
                    QStringLiteral("peer text kept U+%1").arg(quint32(c), 4, 16, QLatin1Char('0')));
        }
    }
}

struct Graph
{
    Graph()
    {
        if (!test::startLinked(local, peer)) {
            throw std::runtime_error("the linked graph did not settle");
        }
        test::runTask(local.discovery->startDiscovery(std::nullopt));
        PeerCommunicationHub *hub = local.hub.get();
        QObject::connect(hub, &PeerCommunicationHub::receivedPingRequests, hub, [this](const auto &event) {
            ++delivered;
            requireCanonicalAddresses(event.deviceMacAddresses);
            requireCleanText(event.advertisedName);
        });
        QObject::connect(hub, &PeerCommunicationHub::receivedPingResponses, hub, [this](const auto &event) {
            ++delivered;
            requireCanonicalAddresses(event.deviceMacAddresses);
            requireCleanText(event.advertisedName);
        });
        QObject::connect(hub, &PeerCommunicationHub::receivedTransferRequests, hub, [this](const auto &event) {
            ++delivered;
            requireCleanText(event.transactionId);
        });
        QObject::connect(hub, &PeerCommunicationHub::receivedDevicesReadyEvents, hub, [this](const auto &event) {
            ++delivered;
            QStringList addresses;
            for (const TransferDeviceDescriptor &descriptor : event.deviceDescriptors) {
                addresses.append(MacAddress::normalized(descriptor.macAddress));
                require(MacAddress::isValid(descriptor.macAddress),
                        QStringLiteral("a malformed address: ") + descriptor.macAddress);
            }
            requireCanonicalAddresses(addresses);
        });
        QObject::connect(hub, &PeerCommunicationHub::receivedConnectionRequests, hub, [this](const auto &event) {
            ++delivered;
            requireCleanText(event.securityCode);
        });
        QObject::connect(hub, &PeerCommunicationHub::receivedConnectionAccepted, hub,
                         [this](const auto &) { ++delivered; });
        QObject::connect(hub, &PeerCommunicationHub::receivedConnectionRejected, hub,
                         [this](const auto &) { ++delivered; });
    }

    // Lets every flow the input started run out: answers, pairings and their time-outs. Between two
    // steps of virtual time the loopback traffic ends first (the input's own frames do not count).
    // Answers how many events the input itself delivered: those before virtual time moves, after
    // which the computers' own pings arrive too.
    int settle()
    {
        int byInput = -1;
        const auto quiet = [this] {
            return local.sender->started == local.sender->finished && peer.sender->started == peer.sender->finished
                && local.listener->activeConnectionCount() == 0 && peer.listener->activeConnectionCount() == 0;
        };
        for (int step = 0; step < 12; ++step) {
            // Delivery is queued: it runs here, before the traffic it causes is waited for.
            QCoreApplication::processEvents();
            (void)test::waitUntil(quiet, 2000);
            if (byInput < 0) {
                byInput = delivered;
            }
            clock->advance(30.0);
        }
        QCoreApplication::processEvents();
        (void)test::waitUntil(quiet, 2000);
        return byInput;
    }

    std::shared_ptr<test::ManualClock> clock = std::make_shared<test::ManualClock>();
    std::shared_ptr<test::RecordingLoggerFactory> logs
        = std::make_shared<test::RecordingLoggerFactory>(test::RecordingLoggerFactory::Keeping::Nothing);
    std::shared_ptr<test::SharedDeviceTable> devices = std::make_shared<test::SharedDeviceTable>();
    test::LinkedNode local{QUuid::fromString(QLatin1String(kLocalMacId)), QStringLiteral("Local"), clock, logs,
                           devices};
    test::LinkedNode peer{QUuid::fromString(QStringLiteral("F0000000-0000-4000-8000-000000000002")),
                          QStringLiteral("Peer"), clock, logs, devices};
    int delivered = 0;
};

void useMemoryForTemporaryFiles()
{
    // The graph's stores flush every write; on a tmpfs that costs nothing.
    static const bool done = [] {
        if (QDir(QStringLiteral("/dev/shm")).exists()) {
            qputenv("TMPDIR", "/dev/shm");
        }
        return true;
    }();
    (void)done;
}

} // namespace

int feedPeerGraph(const std::uint8_t *data, std::size_t size)
{
    ensureApplication();
    useMemoryForTemporaryFiles();
    const QByteArray bytes(reinterpret_cast<const char *>(data), static_cast<qsizetype>(size));
    Graph graph;
    graph.local.listener->receiveStream(bytes, QHostAddress(QHostAddress::LocalHost));
    graph.local.listener->receiveStream(EphemeralFrameSender::frame(bytes), QHostAddress(QHostAddress::LocalHost));
    return graph.settle();
}

} // namespace verandel::fuzz
