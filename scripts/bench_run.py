#!/usr/bin/env python3
"""Runs one Google Benchmark program so that our cases and their peers meet the
same machine: their repetitions are interleaved in random order, not run one
case after the other, so that a busy spell falls on both alike.

A program whose store only grows (the task and calendar lists fill 20,000 or
50,000 items, then grow to 100,000) runs one process per store size, smallest
first, so that no case of the smaller store runs after the store has grown.
A case's size is its argument of five or more digits; cases without one run
with the smallest.

    bench_run.py PROGRAM OUT_PREFIX [FILTER] [REPETITIONS]
writes OUT_PREFIX.json, or OUT_PREFIX-SIZE.json per size, and the console
output on stderr."""
import re
import subprocess
import sys


def sizes_of(program, name_filter):
    listed = subprocess.run([program, "--benchmark_list_tests", f"--benchmark_filter={name_filter}"],
                            check=True, capture_output=True, text=True).stdout.split()
    groups = {}
    for name in listed:
        m = re.search(r"/(?:[a-z]+:)?(\d{5,})(?:/|$)", name)
        groups.setdefault(int(m.group(1)) if m else None, []).append(name)
    sized = sorted(k for k in groups if k is not None)
    if sized and None in groups:
        groups[sized[0]] += groups.pop(None)
    return [(size, groups[size]) for size in (sized or [None]) if size in groups]


def main(program, out_prefix, name_filter=".", repetitions="3"):
    groups = sizes_of(program, name_filter)
    for size, names in groups:
        out = f"{out_prefix}.json" if len(groups) == 1 else f"{out_prefix}-{size}.json"
        exact = "^(" + "|".join(re.escape(n) for n in names) + ")$"
        subprocess.run([program, f"--benchmark_filter={exact}", f"--benchmark_out={out}",
                        "--benchmark_out_format=json", f"--benchmark_repetitions={repetitions}",
                        "--benchmark_enable_random_interleaving=true",
                        "--benchmark_report_aggregates_only=true"], check=True, stdout=sys.stderr)
    return 0


if __name__ == "__main__":
    if len(sys.argv) < 3:
        print(__doc__, file=sys.stderr)
        sys.exit(2)
    sys.exit(main(*sys.argv[1:]))
