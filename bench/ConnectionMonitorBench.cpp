// One health-check pass of the connection monitor over 200 linked, reachable computers: the ownership
// query, the time-out armed and the ping handed to a hub that has no bridge and discards it.
// Reported as CPU time per computer.
#include "linking/ConnectionMonitorService.h"

#include "support/ManualClock.h"
#include "support/fakes/FakeMacIdentifier.h"
#include "support/fakes/FakeNetworkPathSource.h"
#include "support/fakes/FakeOwnedDevices.h"
#include "support/fakes/FakePeerDirectory.h"
#include "support/fakes/RecordingLoggerFactory.h"
#include "support/fakes/TestableMacStorageService.h"

#include <QCoreApplication>

#include <benchmark/benchmark.h>

using namespace verandel;

namespace {

constexpr int kPeers = 200;

void BM_HealthCheckPass(benchmark::State &state)
{
    const QDateTime start(QDate(2026, 1, 1), QTime(8, 0), Qt::UTC);
    const QUuid local = QUuid::createUuid();
    auto logs = std::make_shared<test::RecordingLoggerFactory>();
    auto clock = std::make_shared<test::ManualClock>(start);
    auto hub = std::make_shared<PeerCommunicationHub>(logs);
    auto storage = std::make_shared<test::TestableMacStorageService>();
    auto directory = std::make_shared<test::FakePeerDirectory>();
    auto ownership = std::make_shared<test::FakeOwnedDevices>();
    ownership->owned.insert(local, {QStringLiteral("A4:83:E7:11:22:33"), QStringLiteral("A4:83:E7:44:55:66")});
    for (int i = 0; i < kPeers; ++i) {
        const QUuid id = QUuid::createUuid();
        storage->addTestData({ConnectedMac(id, QStringLiteral("Peer %1").arg(i),
                                           QStringLiteral("0a1b2c3d-4e5f-4a6b-8c7d-9e0f1a2b3c4d"), start, start, {})});
        directory->linked.insert(id);
        directory->discovered.insert(id,
                                     DiscoverableMac(id, QStringLiteral("Peer"), QStringLiteral("1.0.0"),
                                                     PeerEndpoint::hostPort(QStringLiteral("127.0.0.1"), 5000),
                                                     QStringLiteral("0a1b2c3d-4e5f-4a6b-8c7d-9e0f1a2b3c4d"),
                                                     std::nullopt, start));
    }
    auto monitor = std::make_shared<ConnectionMonitorService>(
        storage, hub, directory, ownership, std::make_shared<test::FakeMacIdentifier>(local), *logs,
        ConnectionMonitorConfiguration::defaultConfiguration(), clock, std::make_shared<test::FakeNetworkPathSource>());
    monitor->startMonitoring();
    QCoreApplication::processEvents();
    QCoreApplication::processEvents();
    if (monitor->connectionStatuses().size() != kPeers) {
        state.SkipWithError("the monitor did not load the linked computers");
        return;
    }

    for (auto _ : state) {
        monitor->performHealthCheck();
        // The hub discards the pings; the time-outs they replace are taken off the clock.
        QCoreApplication::processEvents();
        state.PauseTiming();
        logs->clear();
        state.ResumeTiming();
    }
    state.counters["cpu_per_peer"] = benchmark::Counter(static_cast<double>(state.iterations()) * kPeers,
                                                        benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
    monitor->stopMonitoring();
    QCoreApplication::processEvents();
}

} // namespace

BENCHMARK(BM_HealthCheckPass)->Unit(benchmark::kMicrosecond);
