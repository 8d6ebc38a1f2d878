// Take control of three devices between two linked computers over loopback (transfer request,
// unpairing, devices-ready command, pairing, storing, ownership) with a scripted Bluetooth manager
// that answers at once, beside the floor: the same two messages sent hub to hub through the same
// bridges with nobody acting on them. The difference is what the transfer adds to its two messages.
// The three devices change sides on every iteration.
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
    // Both ends finish, eight records each: the holder once its devices-ready command is delivered,
    // the puller once it has paired and stored the devices.
    QEventLoop loop;
    const auto quitWhenBothEnded = [&] {
        if (puller->progress.size() >= 8 && holder->progress.size() >= 8) {
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

void BM_TwoHubToHubMessages(benchmark::State &state)
{
    LinkedPair pair;
    if (!pair.settled) {
        state.SkipWithError("the two computers did not link");
        return;
    }
    // The messages alone: nobody acts on them.
    QObject::disconnect(pair.a.hub.get(), nullptr, pair.a.coordinator.get(), nullptr);
    QObject::disconnect(pair.b.hub.get(), nullptr, pair.b.coordinator.get(), nullptr);
    QList<TransferDeviceDescriptor> descriptors;
    for (const Device &device : std::as_const(pair.table->devices)) {
        descriptors.append(TransferDeviceDescriptor::fromDevice(device));
    }
    QEventLoop loop;
    QObject::connect(pair.b.hub.get(), &PeerCommunicationHub::receivedTransferRequests, &loop, &QEventLoop::quit);
    QObject::connect(pair.a.hub.get(), &PeerCommunicationHub::receivedDevicesReadyEvents, &loop, &QEventLoop::quit);
    const QString transactionId = QUuid::createUuid().toString(QUuid::WithoutBraces);
    for (auto _ : state) {
        pair.a.hub->send(SendTransferCommand(pair.b.id(), transactionId));
        loop.exec();
        pair.b.hub->send(DevicesReadyForPairingCommand(pair.a.id(), transactionId, descriptors));
        loop.exec();
    }
}
BENCHMARK(BM_TwoHubToHubMessages)->Unit(benchmark::kMillisecond);

} // namespace
