#!/usr/bin/env python3
"""Checks the include graph against the layers of the tree.

- A source folder includes only itself and the folders below it
  (platform < foundation < storage < categories < engine < grid < items <
  telephony < tools).
- Inside platform/, a service folder includes only itself and the services
  below it in SERVICES; kernel and messaging are one knot (a thread record owns
  its message queue, a kill destroys the thread's windows) and may include
  each other, internal headers too.
- A header under an internal/ folder is included only from its own folder and
  from the tests of that folder (tests/platform/<service>/).
- Store property identifiers have one home, platform/objectstore/store_schema.h
  (checked against docs/store-schema.md by its test): no other source spells
  one as an eight-digit hexadecimal number (number in the high 16 bits, a
  value type in the low 16), nor one of the schema's identifiers as a
  hexadecimal number beside a CEVT_ type (MAKEPROPID(0x420D, CEVT_FILETIME)).
  Numbers 0 (flag words such as MB_YESNO) and 0x8000 and above (error codes)
  are not taken for properties.

Run from anywhere; prints every violation and exits 1 when there is one.
"""
import os
import re
import sys

ROOT = os.path.normpath(os.path.join(os.path.dirname(os.path.abspath(__file__)), ".."))
LAYERS = ["platform", "foundation", "storage", "categories", "engine", "grid", "items", "telephony", "tools"]
SERVICES = ["base", "text", "gdi", "kernel", "messaging", "time", "locale", "modules", "files", "images", "ink", "ui", "objectstore",
            "recurrence", "objectmodel", "devices"]
KNOTS = [{"kernel", "messaging"}]
INCLUDE = re.compile(r'^\s*#\s*include\s+"([^"]+)"')
SOURCE_DIRS = LAYERS + ["tests", "bench", "fuzz"]
SCHEMA = "platform/objectstore/store_schema.h"
SCHEMA_FILES = {SCHEMA, "tests/platform/objectstore/store_schema_test.cpp"}
VALUE_TYPES = {"CEVT_I2": 0x02, "CEVT_I4": 0x03, "CEVT_R8": 0x05, "CEVT_BOOL": 0x0B, "CEVT_UI2": 0x12,
               "CEVT_UI4": 0x13, "CEVT_LPWSTR": 0x1F, "CEVT_FILETIME": 0x40, "CEVT_BLOB": 0x41}
PROPERTY_ID = re.compile(r"\b0x([0-9A-F]{4})00(02|12|03|13|05|0B|1F|40|41)\b", re.IGNORECASE)
NUMBER_AND_TYPE = re.compile(r"\b0x([0-9A-F]{1,4})\s*,\s*(CEVT_[A-Z0-9]+)\b", re.IGNORECASE)
SCHEMA_ID = re.compile(r"=\s*0x([0-9A-F]{8})\s*;", re.IGNORECASE)


def knotted(a, b):
    return any(a in k and b in k for k in KNOTS)


def service_of(path):
    parts = path.split("/")
    if parts[0] == "platform" and len(parts) > 2:
        return parts[1]
    if parts[:2] == ["tests", "platform"] and len(parts) > 3:
        return parts[2]
    return None


def schema_ids():
    with open(os.path.join(ROOT, SCHEMA), encoding="utf-8") as fh:
        return {int(m.group(1), 16) for m in SCHEMA_ID.finditer(fh.read())}


def problems():
    known = schema_ids()
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
                        if path not in SCHEMA_FILES:
                            for literal in property_literals(line, known):
                                yield f"{path}:{n}: {literal}: a property identifier outside {SCHEMA}"


def property_literals(line, known):
    for m in PROPERTY_ID.finditer(line):
        if 0 < int(m.group(1), 16) < 0x8000:
            yield m.group(0)
    for m in NUMBER_AND_TYPE.finditer(line):
        kind = VALUE_TYPES.get(m.group(2).upper())
        if kind is not None and (int(m.group(1), 16) << 16 | kind) in known:
            yield m.group(0)


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
        print(f"{len(found)} line(s) break the layers or the schema's one home", file=sys.stderr)
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main())
