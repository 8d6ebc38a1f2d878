// What the Control Center column shows, worked out for 20 linked computers and 100 shared devices:
// a quarter of the devices here, the rest owned by the computers, some of which do not answer.
// Reported as CPU time per call.
#include "models/ControlCenterContent.h"

#include "support/PreviewFixtures.h"

#include <benchmark/benchmark.h>

using namespace verandel;

namespace {

constexpr int kComputers = 20;
constexpr int kDevices = 100;

void BM_ControlCenterCompute(benchmark::State &state)
{
    ControlCenterInputs inputs;
    inputs.thisMacId = QUuid::createUuid();
    for (int i = 0; i < kComputers; ++i) {
        const ConnectedMac mac = test::PreviewFixtures::linkedMac(i + 1, QStringLiteral("Computer %1").arg(i));
        inputs.connectedMacs.append(mac);
        inputs.connectionStates.insert(mac.id(), i % 5 == 0 ? ConnectionState::Unstable : ConnectionState::Connected);
    }
    inputs.latestConnectionStateChange = ConnectionStateChange{inputs.connectedMacs[1].id(), ConnectionState::Error};
    for (int i = 0; i < kDevices; ++i) {
        const bool here = i % 4 == 0;
        inputs.sharedDevices.append(test::PreviewFixtures::sharedDevice(i, QStringLiteral("Device %1").arg(i),
                                                                        here ? ConnectionStatus::Connected
                                                                             : ConnectionStatus::PairedNotConnected));
        inputs.ownership.insert(inputs.sharedDevices.last().macAddress(),
                                here ? inputs.thisMacId : inputs.connectedMacs[i % kComputers].id());
    }
    for (auto _ : state) {
        benchmark::DoNotOptimize(ControlCenterContent::compute(inputs));
    }
}

BENCHMARK(BM_ControlCenterCompute)->Unit(benchmark::kMicrosecond);

} // namespace
