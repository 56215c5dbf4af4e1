#!/usr/bin/env python3
"""Prints, for every benchmark pair BM_<case>_Ours / BM_<case>_Peer found in the
Google Benchmark JSON files given, the ratio ours / peer of their median times.
Below 1.0 means our code is faster than the peer measured in the same run."""
import json
import re
import sys


def medians(paths):
    times = {}
    for path in paths:
        # A benchmark binary whose cases the filter left out writes nothing.
        try:
            with open(path) as f:
                data = json.load(f)
        except (OSError, json.JSONDecodeError):
            continue
        for b in data.get("benchmarks", []):
            if b.get("run_type") == "aggregate" and b.get("aggregate_name") != "median":
                continue
            name = re.sub(r"_median$", "", b.get("run_name", b["name"]))
            times[name] = b["real_time"]
    return times


def main(paths):
    times = medians(paths)
    rows = []
    for name, ours in sorted(times.items()):
        m = re.match(r"^(BM_.+)_Ours(/.*)?$", name)
        if not m:
            continue
        peer_name = m.group(1) + "_Peer" + (m.group(2) or "")
        if peer_name in times and times[peer_name] > 0:
            case = m.group(1)[3:] + (m.group(2) or "")
            rows.append((case, ours, times[peer_name], ours / times[peer_name]))
    if not rows:
        print("no benchmark pairs found")
        return 1
    width = max(len(r[0]) for r in rows)
    print(f"{'case':<{width}}  {'ours':>12}  {'peer':>12}  ratio")
    for case, ours, peer, ratio in rows:
        print(f"{case:<{width}}  {ours:>12.1f}  {peer:>12.1f}  {ratio:5.2f}x")
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
