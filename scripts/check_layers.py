#!/usr/bin/env python3
"""Checks the include graph against the layers of the tree.

- A source folder includes only itself and the folders below it
  (platform < foundation < storage < categories < engine < items < tools).
- Inside platform/, a service folder includes only itself and the services
  below it in SERVICES; kernel and messaging are one knot (a thread record owns
  its message queue, a kill destroys the thread's windows) and may include
  each other, internal headers too.
- A header under an internal/ folder is included only from its own folder and
  from the tests of that folder (tests/platform/<service>/).

Run from anywhere; prints every violation and exits 1 when there is one.
"""
import os
import re
import sys

ROOT = os.path.normpath(os.path.join(os.path.dirname(os.path.abspath(__file__)), ".."))
LAYERS = ["platform", "foundation", "storage", "categories", "engine", "items", "grid", "telephony", "tools"]
SERVICES = ["base", "text", "kernel", "messaging", "time", "locale", "modules", "files", "ui", "objectstore",
            "recurrence", "objectmodel"]
KNOTS = [{"kernel", "messaging"}]
INCLUDE = re.compile(r'^\s*#\s*include\s+"([^"]+)"')
SOURCE_DIRS = LAYERS + ["tests", "bench", "fuzz"]


def knotted(a, b):
    return any(a in k and b in k for k in KNOTS)


def service_of(path):
    parts = path.split("/")
    if parts[0] == "platform" and len(parts) > 2:
        return parts[1]
    if parts[:2] == ["tests", "platform"] and len(parts) > 3:
        return parts[2]
    return None


def problems():
    for top in SOURCE_DIRS:
        for dirpath, _, names in os.walk(os.path.join(ROOT, top)):
            for name in sorted(names):
                if not name.endswith((".h", ".cpp", ".c")):
                    continue
                path = os.path.relpath(os.path.join(dirpath, name), ROOT).replace(os.sep, "/")
                with open(os.path.join(ROOT, path), encoding="utf-8", errors="replace") as fh:
                    for n, line in enumerate(fh, 1):
                        m = INCLUDE.match(line)
                        if m:
                            why = check(path, m.group(1))
                            if why:
                                yield f"{path}:{n}: includes {m.group(1)}: {why}"


def check(path, inc):
    src_top, inc_top = path.split("/")[0], inc.split("/")[0]
    if inc_top not in LAYERS:
        return None
    if src_top in LAYERS and LAYERS.index(inc_top) > LAYERS.index(src_top):
        return f"{src_top}/ is below {inc_top}/"
    inc_service = service_of(inc)
    if "/internal/" in inc:
        src_service = service_of(path)
        if src_service != inc_service and not (src_service and knotted(src_service, inc_service)):
            return "an internal header of another folder"
    if src_top == "platform" and inc_top == "platform":
        a, b = service_of(path), inc_service
        if a and b and a != b and not knotted(a, b) and SERVICES.index(b) > SERVICES.index(a):
            return f"platform/{a} is below platform/{b}"
    return None


def main():
    found = list(problems())
    for p in found:
        print(p)
    if found:
        print(f"{len(found)} include(s) break the layers", file=sys.stderr)
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main())
