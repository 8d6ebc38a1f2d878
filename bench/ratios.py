#!/usr/bin/env python3
"""Runs the benchmarks that stand beside a floor doing the same work and prints each ratio, and the
TXT record parse times.

Usage: bench/ratios.py [BUILD_DIR]   (default: build-release; build it with `cmake --preset release`
                                      and `cmake --build --preset release`)
"""
import json
import pathlib
import subprocess
import sys

# (program, measured, floor): the measured work over the floor that does the same work without it.
PAIRS = [
    ("verandel_bench_TransferBench", "BM_TakeControlOfThreeDevices", "BM_TakeControlFloor"),
    ("verandel_bench_PeerTransportBench", "BM_HubToHubOverLoopback", "BM_BareTcpConnectWriteCloseRead"),
    ("verandel_bench_EnvelopeCodecBench", "BM_EnvelopeEncodeDecode", "BM_QJsonDocumentRoundTrip"),
]


def run(program: pathlib.Path):
    output = subprocess.run([str(program), "--benchmark_format=json", "--benchmark_repetitions=3",
                             "--benchmark_report_aggregates_only=true"],
                            check=True, capture_output=True, text=True).stdout
    medians = {}
    for entry in json.loads(output)["benchmarks"]:
        if entry.get("aggregate_name") == "median":
            medians[entry["run_name"]] = entry
    return medians


def main():
    build = pathlib.Path(sys.argv[1] if len(sys.argv) > 1 else "build-release") / "bench"
    for program, measured, floor in PAIRS:
        medians = run(build / program)
        a, b = medians[measured], medians[floor]
        unit = a["time_unit"]
        print(f"{measured}: {a['real_time']:.3g} {unit} wall, {a['cpu_time']:.3g} {unit} CPU")
        print(f"{floor}: {b['real_time']:.3g} {unit} wall, {b['cpu_time']:.3g} {unit} CPU")
        print(f"  ratio {a['real_time'] / b['real_time']:.2f}x wall, {a['cpu_time'] / b['cpu_time']:.2f}x CPU")
    # Reading a TXT record must cost the same per entry whatever its size.
    medians = run(build / "verandel_bench_TxtRecordBench")
    for entries in (30, 3000):
        entry = medians[f"BM_TxtRecordFromStrings/{entries}"]
        print(f"TXT record of {entries} entries: {entry['real_time']:.3g} {entry['time_unit']} "
              f"({entry['real_time'] / entries:.3g} {entry['time_unit']} per entry)")


if __name__ == "__main__":
    main()
