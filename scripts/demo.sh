#!/usr/bin/env bash
# The main job of kstools on a fresh data directory: what the engine can show today.
#   scripts/demo.sh BUILD_DIR
set -euo pipefail
kstools=$1/bin/kstools
export KSTOOLS_HOME=${KSTOOLS_HOME:-$1/demo-home}
export KSTOOLS_LOCALE=${KSTOOLS_LOCALE:-en-US}
show() { echo; echo "\$ kstools $*"; "$kstools" "$@"; }
show --version
show strings 42118 42119 42120 42358
show match '*.bmp' Work.bmp notes.txt Birthday.BMP .hidden.bmp
show settings set 'Software\Corvid\Kestrel\TV' ShowCompleted dword:1
show settings set 'Software\Corvid\Kestrel\TV' Title 'My tasks'
show settings dump 'Software\Corvid\Kestrel'
show date now
show date format --long
show date zone
show date convert 2026-03-08T06:30 --from-utc --to America/New_York
show store add-sample
show store info
show store dump "Sample Database"
show store check
show demo
show tasks --filter overdue --group importance --sort due,subject
show projects add Garden
show projects
show calendar
