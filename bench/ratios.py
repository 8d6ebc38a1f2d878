#!/usr/bin/env python3
"""Runs the benchmarks that stand beside a floor doing the same work and prints each ratio, and the
TXT record parse times.

Usage: bench/ratios.py [BUILD_DIR] [RUNS]   (default: build-release, 3 runs; build it with
                                             `cmake --preset release` and `cmake --build --preset release`)

A run takes ten pairs: the work, then its floor, each measured for a tenth of a second by a fresh start
of the benchmark program, so each pair's two figures are taken close together and a drift of the
machine's speed falls on both alike; the run's ratio is the median of its pairs. The median of the
runs is quoted with the spread from the lowest to the highest. On a shared machine pin it to one core:
`taskset -c 3 bench/ratios.py`.
"""
import json
import pathlib
import statistics
import subprocess
import sys

# (program, measured, floor): the measured work over the floor that does the same work without it.
PAIRS = [
    ("verandel_bench_TransferBench", "BM_TakeControlOfThreeDevices", "BM_TakeControlFloor"),
    ("verandel_bench_PeerTransportBench", "BM_HubToHubOverLoopback", "BM_BareTcpConnectWriteCloseRead"),
    ("verandel_bench_EnvelopeCodecBench", "BM_EnvelopeEncodeDecode", "BM_QJsonDocumentRoundTrip"),
]


PAIRS_PER_RUN = 10


def run(program: pathlib.Path, names, min_time=None):
    """One start of the benchmark program for the named benchmarks: their figures by name."""
    pattern = "^(" + "|".join(names) + ")$"
    command = [str(program), "--benchmark_format=json", f"--benchmark_filter={pattern}"]
    if min_time:
        command.append(f"--benchmark_min_time={min_time}")
    output = subprocess.run(command, check=True, capture_output=True, text=True).stdout
    return {entry["run_name"]: entry for entry in json.loads(output)["benchmarks"]}


def spread(values):
    return f"median {statistics.median(values):.2f}x ({min(values):.2f}-{max(values):.2f})"


def main():
    build = pathlib.Path(sys.argv[1] if len(sys.argv) > 1 else "build-release") / "bench"
    runs = int(sys.argv[2]) if len(sys.argv) > 2 else 3
    for program, measured, floor in PAIRS:
        wall, cpu = [], []
        for _ in range(runs):
            pairs_wall, pairs_cpu, times = [], [], []
            for _ in range(PAIRS_PER_RUN):
                a = run(build / program, [measured], 0.1)[measured]
                b = run(build / program, [floor], 0.1)[floor]
                pairs_wall.append(a["real_time"] / b["real_time"])
                pairs_cpu.append(a["cpu_time"] / b["cpu_time"])
                times.append((a["real_time"], b["real_time"], a["time_unit"]))
            wall.append(statistics.median(pairs_wall))
            cpu.append(statistics.median(pairs_cpu))
            unit = times[0][2]
            print(f"{measured}: median {statistics.median(t[0] for t in times):.3g} {unit} wall; "
                  f"{floor}: median {statistics.median(t[1] for t in times):.3g} {unit} wall; "
                  f"run ratio {wall[-1]:.2f}x wall, {cpu[-1]:.2f}x CPU", flush=True)
        print(f"  {measured} over {floor} in {runs} runs: wall {spread(wall)}, CPU {spread(cpu)}", flush=True)
    # Reading a TXT record must cost the same per entry whatever its size.
    names = [f"BM_TxtRecordFromStrings/{entries}" for entries in (30, 3000)]
    figures = run(build / "verandel_bench_TxtRecordBench", names)
    for name in names:
        entry, entries = figures[name], int(name.split("/")[1])
        print(f"TXT record of {entries} entries: {entry['real_time']:.3g} {entry['time_unit']} "
              f"({entry['real_time'] / entries:.3g} {entry['time_unit']} per entry)")


if __name__ == "__main__":
    main()
