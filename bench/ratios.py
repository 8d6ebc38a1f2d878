#!/usr/bin/env python3
"""Runs the benchmarks that stand beside a floor doing the same work and prints each ratio, and the
TXT record parse times.

Usage: bench/ratios.py [BUILD_DIR] [RUNS]   (default: build-release, 3 runs; build it with
                                             `cmake --preset release` and `cmake --build --preset release`)

Each run starts the benchmark program afresh and measures the work and its floor one after the other,
so each ratio pairs two figures taken close together; the median of the runs is quoted with the
spread from the lowest to the highest. On a shared machine pin it to one core: `taskset -c 3 bench/ratios.py`.
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


def run(program: pathlib.Path, names):
    """One run of the named benchmarks: their figures by name."""
    pattern = "^(" + "|".join(names) + ")$"
    output = subprocess.run([str(program), "--benchmark_format=json", f"--benchmark_filter={pattern}"],
                            check=True, capture_output=True, text=True).stdout
    return {entry["run_name"]: entry for entry in json.loads(output)["benchmarks"]}


def spread(values):
    return f"median {statistics.median(values):.2f}x ({min(values):.2f}-{max(values):.2f})"


def main():
    build = pathlib.Path(sys.argv[1] if len(sys.argv) > 1 else "build-release") / "bench"
    runs = int(sys.argv[2]) if len(sys.argv) > 2 else 3
    for program, measured, floor in PAIRS:
        wall, cpu = [], []
        for _ in range(runs):
            figures = run(build / program, [measured, floor])
            a, b = figures[measured], figures[floor]
            unit = a["time_unit"]
            print(f"{measured}: {a['real_time']:.3g} {unit} wall, {a['cpu_time']:.3g} {unit} CPU; "
                  f"{floor}: {b['real_time']:.3g} {unit} wall, {b['cpu_time']:.3g} {unit} CPU")
            wall.append(a["real_time"] / b["real_time"])
            cpu.append(a["cpu_time"] / b["cpu_time"])
        print(f"  {measured} over {floor} in {runs} runs: wall {spread(wall)}, CPU {spread(cpu)}")
    # Reading a TXT record must cost the same per entry whatever its size.
    names = [f"BM_TxtRecordFromStrings/{entries}" for entries in (30, 3000)]
    figures = run(build / "verandel_bench_TxtRecordBench", names)
    for name in names:
        entry, entries = figures[name], int(name.split("/")[1])
        print(f"TXT record of {entries} entries: {entry['real_time']:.3g} {entry['time_unit']} "
              f"({entry['real_time'] / entries:.3g} {entry['time_unit']} per entry)")


if __name__ == "__main__":
    main()
