#!/usr/bin/env python3
"""Counts under callgrind the instructions of the timed loops that mark
themselves with CountedLoop (bench/counted_loop.h) and prints, for every pair
<case>_Ours / <case>_Peer, the instructions of one iteration of each, their
ratio, and how the ratio grows from the pair's smallest store to each larger
one. Unlike times, the counts do not move with the machine's load; they do
not see cache misses either, so they stand beside the times, not for them.

    bench_instructions.py PROGRAM [FILTER]
Runs one process per store size, as bench_run.py does, each case once for a
single iteration (valgrind runs a program some fifty times slower)."""
import os
import re
import shutil
import subprocess
import sys
import tempfile

from bench_run import sizes_of

COUNTED = re.compile(r"desc: Trigger: Client Request: counted (\S+) iterations=(\d+)$")
PAIRED = re.compile(r"^(.+)_Ours/(\d+)$")


def read_dump(path):
    """(name, iterations, instructions) of a dump CountedLoop made, or None
    for any other dump (the one callgrind writes at exit)."""
    name = iterations = instructions = None
    with open(path, errors="replace") as f:
        for line in f:
            line = line.rstrip("\n")
            m = COUNTED.match(line)
            if m:
                name, iterations = m.group(1), int(m.group(2))
            elif line.startswith("events:") and line.split()[1:2] != ["Ir"]:
                raise ValueError(f"{path}: the first event is not Ir: {line}")
            elif line.startswith("summary:"):
                instructions = int(line.split()[1])
    if name is None:
        return None
    if instructions is None or iterations <= 0:
        raise ValueError(f"{path}: a counted dump without instructions or iterations")
    return name, iterations, instructions


def per_iteration(dumps):
    """Instructions per iteration of each counted case, over all its dumps
    (Google Benchmark may run a case more than once)."""
    totals = {}
    for name, iterations, instructions in dumps:
        runs, count = totals.get(name, (0, 0))
        totals[name] = (runs + iterations, count + instructions)
    return {name: count / runs for name, (runs, count) in totals.items()}


def pair_rows(counts):
    """(case, size, ours, peer, ratio, growth) per pair found, growth being
    the ratio over the ratio of the case's smallest size."""
    rows = []
    for name, ours in counts.items():
        m = PAIRED.match(name)
        peer = counts.get(f"{m.group(1)}_Peer/{m.group(2)}") if m else None
        if peer:
            rows.append((m.group(1), int(m.group(2)), ours, peer, ours / peer))
    rows.sort()
    first = {}
    result = []
    for case, size, ours, peer, ratio in rows:
        first.setdefault(case, ratio)
        result.append((case, size, ours, peer, ratio, ratio / first[case]))
    return result


def run(program, name_filter, out_dir):
    dumps = []
    for size, names in sizes_of(program, name_filter):
        exact = "^(" + "|".join(re.escape(n) for n in names) + ")$"
        out = os.path.join(out_dir, f"callgrind.{size}")
        subprocess.run(["valgrind", "--tool=callgrind", f"--callgrind-out-file={out}", program,
                        f"--benchmark_filter={exact}", "--benchmark_min_time=0.000001"],
                       check=True, stdout=sys.stderr, stderr=subprocess.DEVNULL)
        for entry in sorted(os.listdir(out_dir)):
            if entry.startswith(f"callgrind.{size}."):
                found = read_dump(os.path.join(out_dir, entry))
                if found:
                    dumps.append(found)
    return dumps


def main(program, name_filter="."):
    if not shutil.which("valgrind"):
        print("valgrind is not installed (make deps installs it)", file=sys.stderr)
        return 1
    try:
        with tempfile.TemporaryDirectory() as out_dir:
            rows = pair_rows(per_iteration(run(program, name_filter, out_dir)))
    except subprocess.CalledProcessError as e:
        print(f"{program} failed (exit {e.returncode})", file=sys.stderr)
        return 1
    except ValueError as e:
        print(e, file=sys.stderr)
        return 1
    if not rows:
        print(f"no counted pairs in {program}: its loops need CountedLoop, and its build valgrind's header",
              file=sys.stderr)
        return 1
    width = max(len(r[0]) for r in rows) + 8
    print(f"{'case':<{width}}  {'ours (Ir)':>14}  {'peer (Ir)':>14}  ratio  growth")
    for case, size, ours, peer, ratio, growth in rows:
        print(f"{case + '/' + str(size):<{width}}  {ours:>14,.0f}  {peer:>14,.0f}  {ratio:5.2f}x  {growth:5.2f}")
    return 0


if __name__ == "__main__":
    if len(sys.argv) < 2:
        print(__doc__, file=sys.stderr)
        sys.exit(2)
    sys.exit(main(*sys.argv[1:]))
