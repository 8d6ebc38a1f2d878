// The whole program as a user runs it, measured beside a bare Qt application with one tray icon and
// one window: the launch until "Application initialized successfully" (mock mode, offscreen), 30
// launches of each taken in turn so that a drift of the machine's speed falls on both alike, and what
// an idle minute costs: context switches (each one a wake-up), from /proc. Beside peak resident
// memory both give the proportional set size (shared library pages divided among their users) and the
// private dirty pages (what the process itself wrote), from /proc/<pid>/smaps_rollup. A tray program
// runs all day, so an idle minute must hold only the pings and the metrics cycle. The programs keep
// their storage in a folder of the build tree: on disk, where a flushed write costs what it costs a user.

#include "foundation/JsonCodec.h"
#include "foundation/JsonFields.h"
#include "records/ConnectedMac.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QHash>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>

#include <benchmark/benchmark.h>

#include <algorithm>
#include <csignal>

using namespace verandel;

namespace {

constexpr int idleSeconds = 60;
constexpr int launchRuns = 30;

// A folder on disk for one run's storage (a temporary folder may be memory).
QString scratchTemplate()
{
    return QStringLiteral(VERANDEL_BENCH_SCRATCH "/program-bench-XXXXXX");
}

// What /proc/<pid>/status says of a process.
struct ProcessStatus
{
    // By thread id: threads come and go, and a sum over whoever is alive could even shrink.
    QHash<QString, double> contextSwitches;

    // The switches since the earlier reading, of the threads alive now (a thread that ended meanwhile
    // takes its last switches with it, so this counts low, never below zero).
    double switchesSince(const ProcessStatus &earlier) const
    {
        double total = 0;
        for (auto it = contextSwitches.constBegin(); it != contextSwitches.constEnd(); ++it) {
            total += it.value() - earlier.contextSwitches.value(it.key(), 0);
        }
        return total;
    }
};

QList<QList<QByteArray>> statusFields(const QString &path)
{
    QFile file(path);
    QList<QList<QByteArray>> lines;
    if (file.open(QIODevice::ReadOnly)) {
        for (const QByteArray &line : file.readAll().split('\n')) {
            lines.append(line.simplified().split(' '));
        }
    }
    return lines;
}

// What a process holds in memory, in KiB.
struct MemoryFigures
{
    double peakResident = 0;
    double proportional = 0;
    double privateDirty = 0;
};

MemoryFigures readMemory(qint64 pid)
{
    MemoryFigures memory;
    for (const QList<QByteArray> &fields : statusFields(QStringLiteral("/proc/%1/status").arg(pid))) {
        if (fields.size() >= 2 && fields[0] == "VmHWM:") {
            memory.peakResident = fields[1].toDouble();
        }
    }
    for (const QList<QByteArray> &fields : statusFields(QStringLiteral("/proc/%1/smaps_rollup").arg(pid))) {
        if (fields.size() >= 2 && fields[0] == "Pss:") {
            memory.proportional = fields[1].toDouble();
        } else if (fields.size() >= 2 && fields[0] == "Private_Dirty:") {
            memory.privateDirty = fields[1].toDouble();
        }
    }
    return memory;
}

// Context switches of all the process's threads (the main thread's alone would miss the D-Bus and
// network threads).
ProcessStatus readStatus(qint64 pid)
{
    ProcessStatus status;
    const QDir tasks(QStringLiteral("/proc/%1/task").arg(pid));
    for (const QString &task : tasks.entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        for (const QList<QByteArray> &fields : statusFields(tasks.filePath(task) + QStringLiteral("/status"))) {
            if (fields.size() >= 2
                && (fields[0] == "voluntary_ctxt_switches:" || fields[0] == "nonvoluntary_ctxt_switches:")) {
                status.contextSwitches[task] += fields[1].toDouble();
            }
        }
    }
    return status;
}

QProcessEnvironment offscreenEnvironment()
{
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    environment.insert(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"), QStringLiteral("disabled:"));
    environment.insert(QStringLiteral("DBUS_SYSTEM_BUS_ADDRESS"), QStringLiteral("unix:path=/nonexistent/bus"));
    return environment;
}

QProcessEnvironment mockEnvironment(const QString &profile)
{
    QProcessEnvironment environment = offscreenEnvironment();
    environment.insert(QStringLiteral("DEBUG_MODE"), QStringLiteral("true"));
    environment.insert(QStringLiteral("DISCOVERY_TYPE"), QStringLiteral("debug"));
    environment.insert(QStringLiteral("BLUETOOTH_MODE"), QStringLiteral("mock"));
    environment.insert(QStringLiteral("ENABLE_LOG_STDOUT"), QStringLiteral("true"));
    environment.insert(QStringLiteral("METRICS_CDN_BASE_URL"), QStringLiteral("http://127.0.0.1:9/"));
    if (!profile.isEmpty()) {
        environment.insert(QStringLiteral("DEBUG_PROFILE"), profile);
    }
    return environment;
}

// Starts a program and waits for a line of its output; the time it took, or -1.
double startUntil(QProcess &process, const QString &program, const QProcessEnvironment &environment,
                  const QString &workingDirectory, const QByteArray &line)
{
    process.setProgram(program);
    process.setProcessEnvironment(environment);
    process.setWorkingDirectory(workingDirectory);
    process.setProcessChannelMode(QProcess::MergedChannels);
    QElapsedTimer timer;
    timer.start();
    process.start();
    QByteArray seen;
    while (!seen.contains(line)) {
        if (!process.waitForReadyRead(30000)) {
            return -1;
        }
        seen += process.readAll();
    }
    return timer.nsecsElapsed() / 1e9;
}

void stop(QProcess &process)
{
    process.terminate();
    if (!process.waitForFinished(10000)) {
        process.kill();
        process.waitForFinished();
    }
}

// Two instances that know each other as linked, as scripts/write-mock-pair lays them out.
void writeLinkedPair(const QString &directory)
{
    QProcess writer;
    writer.start(QStringLiteral(VERANDEL_SOURCE_DIR "/scripts/write-mock-pair"), {directory});
    writer.waitForFinished();
    const QDateTime seen = QDateTime::currentDateTimeUtc();
    const struct
    {
        const char *profile;
        const char *otherId;
        const char *otherName;
    } pair[] = {{"alpha", "BE7A0000-0000-4000-8000-00000000BE7A", "Beta"},
                {"beta", "A1FA0000-0000-4000-8000-00000000A1FA", "Alpha"}};
    for (const auto &p : pair) {
        const QString storage
            = directory + QStringLiteral("/tmp/") + QLatin1String(p.profile) + QStringLiteral("/app-storage");
        QDir().mkpath(storage);
        const QList<ConnectedMac> linked{ConnectedMac(QUuid(QLatin1String(p.otherId)), QLatin1String(p.otherName),
                                                      QUuid::createUuid().toString(QUuid::WithoutBraces), seen, seen,
                                                      {})};
        QFile file(storage + QStringLiteral("/connected-macs.json"));
        file.open(QIODevice::WriteOnly);
        file.write(json::encodeDocument(JsonCodec<QList<ConnectedMac>>::encode(linked)));
    }
}

double median(QList<double> values)
{
    std::sort(values.begin(), values.end());
    const qsizetype middle = values.size() / 2;
    return values.size() % 2 != 0 ? values[middle] : (values[middle - 1] + values[middle]) / 2;
}

// One launch: the seconds until the program's ready line (-1 when it never came), and its memory then.
struct Launch
{
    double seconds = -1;
    MemoryFigures memory;
};

Launch launch(bool bare)
{
    QTemporaryDir directory(scratchTemplate());
    QProcess process;
    Launch result;
    result.seconds = bare
        ? startUntil(process, QStringLiteral(VERANDEL_BARE_APP), offscreenEnvironment(), directory.path(), "ready")
        : startUntil(process, QStringLiteral(VERANDEL_PROGRAM), mockEnvironment({}), directory.path(),
                     "Application initialized successfully");
    if (result.seconds >= 0) {
        result.memory = readMemory(process.processId());
    }
    stop(process);
    return result;
}

// The medians of one side's launches, into counters named after it.
void reportLaunches(benchmark::State &state, const char *side, const QList<Launch> &launches)
{
    QList<double> seconds;
    QList<double> peak;
    QList<double> proportional;
    QList<double> privateDirty;
    for (const Launch &launch : launches) {
        seconds.append(launch.seconds);
        peak.append(launch.memory.peakResident);
        proportional.append(launch.memory.proportional);
        privateDirty.append(launch.memory.privateDirty);
    }
    const std::string name(side);
    state.counters[name + "_launch_ms"] = median(seconds) * 1000;
    state.counters[name + "_peak_rss_MiB"] = median(peak) / 1024;
    state.counters[name + "_pss_MiB"] = median(proportional) / 1024;
    state.counters[name + "_private_dirty_MiB"] = median(privateDirty) / 1024;
}

// The program's launches and the bare application's in turn; the time reported is the program's median.
void BM_LaunchUntilReady(benchmark::State &state)
{
    for (auto _ : state) {
        QList<Launch> bare;
        QList<Launch> program;
        QList<double> ratios;
        for (int run = 0; run < launchRuns; ++run) {
            bare.append(launch(true));
            program.append(launch(false));
            if (bare.last().seconds < 0 || program.last().seconds < 0) {
                state.SkipWithError("a program did not get ready");
                return;
            }
            ratios.append(program.last().seconds / bare.last().seconds);
        }
        reportLaunches(state, "bare", bare);
        reportLaunches(state, "verandel", program);
        state.counters["ratio_of_medians"]
            = state.counters["verandel_launch_ms"].value / state.counters["bare_launch_ms"].value;
        // Each launch over the bare one beside it: how far the pairs spread.
        state.counters["pair_ratio_min"] = *std::min_element(ratios.cbegin(), ratios.cend());
        state.counters["pair_ratio_median"] = median(ratios);
        state.counters["pair_ratio_max"] = *std::max_element(ratios.cbegin(), ratios.cend());
        state.SetIterationTime(state.counters["verandel_launch_ms"].value / 1000);
    }
}
BENCHMARK(BM_LaunchUntilReady)->UseManualTime()->Iterations(1)->Unit(benchmark::kMillisecond);

void BM_IdleMinute(benchmark::State &state, bool bare)
{
    for (auto _ : state) {
        QTemporaryDir directory(scratchTemplate());
        std::vector<std::unique_ptr<QProcess>> processes;
        if (bare) {
            processes.push_back(std::make_unique<QProcess>());
            startUntil(*processes.back(), QStringLiteral(VERANDEL_BARE_APP), offscreenEnvironment(), directory.path(),
                       "ready");
        } else {
            writeLinkedPair(directory.path());
            for (const QString &profile : {QStringLiteral("alpha"), QStringLiteral("beta")}) {
                processes.push_back(std::make_unique<QProcess>());
                startUntil(*processes.back(), QStringLiteral(VERANDEL_PROGRAM), mockEnvironment(profile),
                           directory.path(), "Application initialized successfully");
            }
        }
        // Settled after the launch's own work; then one idle minute.
        QThread::sleep(5);
        std::vector<ProcessStatus> before;
        for (const auto &process : processes) {
            before.push_back(readStatus(process->processId()));
            process->readAll();
        }
        QThread::sleep(idleSeconds);
        double switches = 0;
        MemoryFigures largest;
        for (std::size_t i = 0; i < processes.size(); ++i) {
            if (processes[i]->state() != QProcess::Running) {
                state.SkipWithError("a program ended during its idle minute");
                return;
            }
            const ProcessStatus after = readStatus(processes[i]->processId());
            switches += after.switchesSince(before[i]);
            const MemoryFigures memory = readMemory(processes[i]->processId());
            largest.peakResident = std::max(largest.peakResident, memory.peakResident);
            largest.proportional = std::max(largest.proportional, memory.proportional);
            largest.privateDirty = std::max(largest.privateDirty, memory.privateDirty);
        }
        state.counters["context_switches_per_minute_per_process"] = switches / double(processes.size());
        state.counters["peak_rss_MiB"] = largest.peakResident / 1024;
        state.counters["pss_MiB"] = largest.proportional / 1024;
        state.counters["private_dirty_MiB"] = largest.privateDirty / 1024;
        for (const auto &process : processes) {
            stop(*process);
        }
    }
}
BENCHMARK_CAPTURE(BM_IdleMinute, bare_tray_application, true)->Iterations(1)->Unit(benchmark::kSecond);
BENCHMARK_CAPTURE(BM_IdleMinute, two_linked_verandel_mock_instances, false)->Iterations(1)->Unit(benchmark::kSecond);

} // namespace
