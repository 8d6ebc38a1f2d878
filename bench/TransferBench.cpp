// Take control of three devices between two linked computers over loopback (transfer request,
// unpairing, devices-ready command, pairing, storing, ownership, and the receiver's pings that
// confirm the hand-over) with a scripted Bluetooth manager that answers at once, beside the floor:
// the same work without the coordination. The floor sends the same messages hub to hub through the
// same bridges (the transfer request, the devices-ready command, one ping per device stored and its
// answer) and makes the same flushed store writes (one per device), with nobody acting on them. The
// ratio is what the coordination costs. The three devices change sides on every iteration.
#include "support/LinkedNode.h"
#include "support/RunTask.h"

#include <QEventLoop>
#include <QTimer>

#include <benchmark/benchmark.h>

using namespace verandel;

namespace {

const QStringList kAddresses{QStringLiteral("28:37:37:0b:00:01"), QStringLiteral("28:37:37:0b:00:02"),
                             QStringLiteral("28:37:37:0b:00:03")};

struct LinkedPair
{
    LinkedPair()
    {
        const QDateTime at(QDate(2026, 1, 1), QTime(8, 0), Qt::UTC);
        for (const QString &address : kAddresses) {
            const Device device(address, QStringLiteral("Device %1").arg(address.right(1)),
                                QStringLiteral("a7c10000-0000-4000-8000-0000000000%1").arg(address.right(2)),
                                DeviceDetectionAttributes{0x05AC, 0x0265, 0x002580, {}}, at);
            table->devices.append(device);
            table->holders.insert(address, QStringLiteral("B"));
            b.devices->saveOrUpdateDevice(device);
        }
        settled = test::startLinked(a, b);
    }

    // The program's loggers format every line; none is kept.
    std::shared_ptr<test::RecordingLoggerFactory> logs
        = std::make_shared<test::RecordingLoggerFactory>(test::RecordingLoggerFactory::Keeping::Nothing);
    std::shared_ptr<test::ManualClock> clock = std::make_shared<test::ManualClock>();
    std::shared_ptr<test::SharedDeviceTable> table = std::make_shared<test::SharedDeviceTable>();
    test::LinkedNode a{QUuid::createUuid(), QStringLiteral("A"), clock, logs, table};
    test::LinkedNode b{QUuid::createUuid(), QStringLiteral("B"), clock, logs, table};
    bool settled = false;
};

void BM_TakeControlOfThreeDevices(benchmark::State &state)
{
    LinkedPair pair;
    if (!pair.settled) {
        state.SkipWithError("the two computers did not link");
        return;
    }
    test::LinkedNode *puller = &pair.a;
    test::LinkedNode *holder = &pair.b;
    // Both ends finish: the puller once it has paired and stored the devices, the holder once the
    // puller's pings have confirmed them.
    QEventLoop loop;
    const auto ended = [](const test::LinkedNode *node) {
        return !node->progress.isEmpty() && isTerminal(node->progress.last().status);
    };
    const auto quitWhenBothEnded = [&] {
        if (ended(puller) && ended(holder)) {
            loop.quit();
        }
    };
    QObject::connect(pair.a.coordinator.get(), &ControlCoordinator::controlTransferProgressChanged, &loop,
                     quitWhenBothEnded);
    QObject::connect(pair.b.coordinator.get(), &ControlCoordinator::controlTransferProgressChanged, &loop,
                     quitWhenBothEnded);
    QTimer limit;
    limit.setSingleShot(true);
    QObject::connect(&limit, &QTimer::timeout, &loop, &QEventLoop::quit);
    for (auto _ : state) {
        puller->progress.clear();
        holder->progress.clear();
        puller->coordinator->takeControl(holder->id());
        limit.start(5000);
        loop.exec();
        state.PauseTiming();
        const bool succeeded = limit.isActive()
            && std::holds_alternative<ProgressStatus::Success>(puller->progress.last().status)
            && std::holds_alternative<ProgressStatus::Success>(holder->progress.last().status)
            && test::trafficEnded(pair.a, pair.b);
        if (!succeeded) {
            state.SkipWithError("the transfer did not succeed");
            break;
        }
        std::swap(puller, holder);
        state.ResumeTiming();
    }
}
BENCHMARK(BM_TakeControlOfThreeDevices)->Unit(benchmark::kMillisecond);

void BM_TakeControlFloor(benchmark::State &state)
{
    LinkedPair pair;
    if (!pair.settled) {
        state.SkipWithError("the two computers did not link");
        return;
    }
    // Nobody acts on the messages: the floor sends and stores what the transfer does, itself.
    for (test::LinkedNode *node : {&pair.a, &pair.b}) {
        for (QObject *service : std::initializer_list<QObject *>{node->coordinator.get(), node->monitor.get(),
                                                                 node->ownership.get(), node->discovery.get()}) {
            QObject::disconnect(node->hub.get(), nullptr, service, nullptr);
        }
    }
    QList<TransferDeviceDescriptor> descriptors;
    for (const Device &device : std::as_const(pair.table->devices)) {
        descriptors.append(TransferDeviceDescriptor::fromDevice(device));
    }
    const QString transactionId = QUuid::createUuid().toString(QUuid::WithoutBraces);
    QEventLoop loop;
    int pingResponses = 0;
    QObject::connect(pair.b.hub.get(), &PeerCommunicationHub::receivedTransferRequests, &loop, &QEventLoop::quit);
    QObject::connect(pair.a.hub.get(), &PeerCommunicationHub::receivedDevicesReadyEvents, &loop, &QEventLoop::quit);
    // The holder answers each ping, as its monitor would.
    QObject::connect(pair.b.hub.get(), &PeerCommunicationHub::receivedPingRequests, &loop,
                     [&](const PingRequestReceivedEvent &ping) {
                         pair.b.hub->send(SendPingResponseCommand(ping.senderMacId, {}, QStringLiteral("B")));
                     });
    QObject::connect(pair.a.hub.get(), &PeerCommunicationHub::receivedPingResponses, &loop, [&] {
        if (++pingResponses == static_cast<int>(descriptors.size())) {
            loop.quit();
        }
    });
    for (auto _ : state) {
        pingResponses = 0;
        pair.a.hub->send(SendTransferCommand(pair.b.id(), transactionId));
        loop.exec();
        pair.b.hub->send(DevicesReadyForPairingCommand(pair.a.id(), transactionId, descriptors));
        loop.exec();
        // Each device is stored, then a ping lists what the receiver holds so far: the confirmation.
        QStringList held;
        for (const Device &device : std::as_const(pair.table->devices)) {
            pair.a.devices->saveOrUpdateDevice(device);
            held.append(device.macAddress());
            pair.a.hub->send(SendPingCommand(pair.b.id(), held, QStringLiteral("A")));
        }
        loop.exec();
    }
}
BENCHMARK(BM_TakeControlFloor)->Unit(benchmark::kMillisecond);

} // namespace
