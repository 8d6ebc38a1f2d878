#include "PeerGraphHarness.h"

#include "FuzzApplication.h"
#include "FuzzDeliveredEvents.h"
#include "PeerInputHarness.h"

#include "peer/tcp/EphemeralFrameSender.h"

#include "support/LinkedNode.h"
#include "support/RunTask.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QtEndian>

#include <array>

namespace verandel::fuzz {

namespace {

const QString kLocalName = QStringLiteral("Local");
const QString kPeerName = QStringLiteral("Peer");
const QString kLocalMouse = QStringLiteral("a4:83:e7:44:55:66");

// What the script byte asks for.
enum class Start { Nothing, TakeControl, TakeControlFromPeer, SendControlToPeer };
constexpr std::uint8_t kPeerCannotPairMouse = 1 << 2;
constexpr std::uint8_t kLocalCannotUnpairMouse = 1 << 3;
constexpr std::uint8_t kPeerListenerStopped = 1 << 4;

constexpr int kMaxConnections = 6;
constexpr double kStepSeconds = 30.0;
// Long enough for pings, answer waits and the discovery session's own time-outs; longer while a
// transfer is still running (a hand-over of two devices lasts 260 s).
constexpr int kMinSteps = 12;
constexpr int kMaxSteps = 24;

// One connection's bytes, and whether they also go out wrapped in a frame of their own length.
struct Connection
{
    QByteArray stream;
    bool alsoWrapped = false;
};

QList<Connection> connectionsOf(const QByteArray &bytes)
{
    QList<Connection> connections;
    qsizetype at = 0;
    while (connections.size() < kMaxConnections - 1 && bytes.size() - at >= 4) {
        const quint32 length = qFromBigEndian<quint32>(bytes.constData() + at);
        if (length > quint64(bytes.size() - at - 4)) {
            break;
        }
        connections.append(Connection{bytes.mid(at, 4 + qsizetype(length)), false});
        at += 4 + qsizetype(length);
    }
    if (at < bytes.size()) {
        connections.append(Connection{bytes.mid(at), true});
    }
    return connections;
}

Device device(const char *address, const char *name, int index, quint16 productId, quint32 classOfDevice)
{
    return Device(
        QLatin1String(address), QLatin1String(name), QStringLiteral("6f1c2b3a-4d5e-4f60-8a9b-0c1d2e3f4a0%1").arg(index),
        DeviceDetectionAttributes{0x05AC, productId, classOfDevice, {QStringLiteral("Human Interface Device")}},
        QDateTime(QDate(2025, 12, 1), QTime(10, 0), Qt::UTC));
}

std::shared_ptr<test::SharedDeviceTable> deviceTable()
{
    auto table = std::make_shared<test::SharedDeviceTable>();
    table->devices = {device("a4:83:e7:11:22:33", "Keyboard", 1, 0x029C, 0x002540),
                      device("a4:83:e7:44:55:66", "Mouse", 2, 0x0269, 0x002580),
                      device("a4:83:e7:77:88:99", "Trackpad", 3, 0x0265, 0x002580),
                      device("a4:83:e7:aa:bb:01", "Free Keyboard", 4, 0x029C, 0x002540),
                      device("a4:83:e7:aa:bb:02", "Free Mouse", 5, 0x0269, 0x002580)};
    table->holders = {{QStringLiteral("a4:83:e7:11:22:33"), kLocalName},
                      {kLocalMouse, kLocalName},
                      {QStringLiteral("a4:83:e7:77:88:99"), kPeerName}};
    return table;
}

struct Graph
{
    explicit Graph(std::uint8_t script)
    {
        for (const Device &shared : std::as_const(devices->devices)) {
            const QString holder = devices->holders.value(shared.macAddress());
            if (holder == kLocalName) {
                local.devices->saveOrUpdateDevice(shared);
            } else if (holder == kPeerName) {
                peer.devices->saveOrUpdateDevice(shared);
            }
        }
        if (script & kPeerCannotPairMouse) {
            peer.scriptedBluetooth->pairResults.insert(
                kLocalMouse,
                OperationResult::failure(QStringLiteral("Page timeout"), OperationFailureCategory::Timeout));
        }
        if (script & kLocalCannotUnpairMouse) {
            local.scriptedBluetooth->unpairResults.insert(
                kLocalMouse, OperationResult::failure(QStringLiteral("Busy"), OperationFailureCategory::Unknown));
        }
        if (!test::startLinked(local, peer)) {
            throw std::runtime_error("the linked graph did not settle");
        }
        test::runTask(local.discovery->startDiscovery(std::nullopt));
        if (script & kPeerListenerStopped) {
            peer.listener->stop();
        }
    }

    // Starts what the script asks for, feeds one connection per step of virtual time, and lets every
    // flow run out: answers, pairings, hand-overs and their time-outs. Between two steps the loopback
    // traffic settles first. Answers how many events the input's connections delivered.
    int run(Start start, const QList<Connection> &connections)
    {
        switch (start) {
        case Start::Nothing: break;
        case Start::TakeControl: local.coordinator->takeControl(); break;
        case Start::TakeControlFromPeer: local.coordinator->takeControl(peer.id()); break;
        case Start::SendControlToPeer: local.coordinator->sendControl(peer.id()); break;
        }
        for (int step = 0;; ++step) {
            if (step < connections.size()) {
                feed(connections.at(step));
            }
            (void)settle();
            const int steps = step + 1;
            if (steps >= connections.size() && ((steps >= kMinSteps && flowsEnded()) || steps >= kMaxSteps)) {
                return byInput;
            }
            clock->advance(kStepSeconds);
        }
    }

    std::shared_ptr<test::ManualClock> clock = std::make_shared<test::ManualClock>();
    std::shared_ptr<test::RecordingLoggerFactory> logs
        = std::make_shared<test::RecordingLoggerFactory>(test::RecordingLoggerFactory::Keeping::Nothing);
    std::shared_ptr<test::SharedDeviceTable> devices = deviceTable();
    test::LinkedNode local{QUuid::fromString(QLatin1String(kLocalMacId)), kLocalName, clock, logs, devices};
    test::LinkedNode peer{QUuid::fromString(QStringLiteral("F0000000-0000-4000-8000-000000000002")), kPeerName, clock,
                          logs, devices};
    DeliveredEventChecks checks{*local.hub};

private:
    // Runs the event loop until the loopback traffic is quiet and stays so, with nothing sent or read,
    // for some rounds in a row: a frame just read may still be queued in a hub as an event, and the
    // answer to it queued again as a command. The same wait as the tests', spinning instead of
    // sleeping between looks: each input waits dozens of times.
    bool settle()
    {
        constexpr int quietRoundsNeeded = 8;
        const QDeadlineTimer deadline(2000);
        const auto counts = [this] {
            return std::array<int, 2>{local.sender->started + peer.sender->started,
                                      local.framesReceived + peer.framesReceived};
        };
        std::array<int, 2> lastCounts = counts();
        for (int quietRounds = 0; quietRounds < quietRoundsNeeded;) {
            if (deadline.hasExpired()) {
                return false;
            }
            QCoreApplication::processEvents();
            const std::array<int, 2> now = counts();
            quietRounds = test::trafficQuiet(local, peer, framesFed) && now == lastCounts ? quietRounds + 1 : 0;
            lastCounts = now;
        }
        return true;
    }

    bool flowsEnded() const
    {
        return local.coordinator->runningFlowCount() == 0 && peer.coordinator->runningFlowCount() == 0;
    }

    void feed(const Connection &connection)
    {
        // The hub delivers in the order of its sends, and the listener hands a frame's event to the hub
        // before it returns: what the hub delivers between these two marks is the input's own.
        PeerCommunicationHub *hub = local.hub.get();
        QMetaObject::invokeMethod(
            hub, [this] { byInput -= checks.count(); }, Qt::QueuedConnection);
        const QHostAddress from(QHostAddress::LocalHost);
        const int framesBefore = local.framesReceived;
        local.listener->receiveStream(connection.stream, from);
        if (connection.alsoWrapped) {
            local.listener->receiveStream(EphemeralFrameSender::frame(connection.stream), from);
        }
        framesFed += local.framesReceived - framesBefore;
        QMetaObject::invokeMethod(
            hub, [this] { byInput += checks.count(); }, Qt::QueuedConnection);
    }

    int byInput = 0;
    // The frames the listener took from the input, which no sender delivered.
    int framesFed = 0;
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
    if (size == 0) {
        return 0;
    }
    ensureApplication();
    useMemoryForTemporaryFiles();
    const std::uint8_t script = data[0];
    const QByteArray rest(reinterpret_cast<const char *>(data + 1), static_cast<qsizetype>(size - 1));
    Graph graph(script);
    return graph.run(static_cast<Start>(script & 3), connectionsOf(rest));
}

} // namespace verandel::fuzz
