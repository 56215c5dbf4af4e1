#!/usr/bin/env bash
# Builds and runs the test suites: a normal build, an AddressSanitizer +
# UndefinedBehaviorSanitizer build, and the threading tests under ThreadSanitizer.
#   scripts/test.sh [all|release|asan|tsan]
set -euo pipefail
cd "$(dirname "$0")/.."
which=${1:-all}
jobs=${JOBS:-2}
build=${BUILD_DIR:-build}

# Let ccache reuse objects compiled in another checkout of the same sources.
export CCACHE_BASEDIR="$PWD"

# Tests must not depend on the developer's own data or clock.
export KSTOOLS_HOME=""
unset KSTOOLS_NOW KSTOOLS_LOCALE
export ASAN_OPTIONS="detect_leaks=1:abort_on_error=0:strict_string_checks=1"
export LSAN_OPTIONS="suppressions=$PWD/scripts/lsan.supp"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
export TSAN_OPTIONS="halt_on_error=1:second_deadlock_stack=1"

run() { # name, cmake args...
    local name=$1; shift
    local dir=$build/$name
    echo "== $name build" >&2
    cmake -S . -B "$dir" -G Ninja "$@" >/dev/null
    cmake --build "$dir" -j "$jobs"
    echo "== $name tests" >&2
    (cd "$dir" && ctest --output-on-failure -j "$jobs" --timeout 300)
}

case $which in
    all|release) run release -DCMAKE_BUILD_TYPE=Release ;;&
    all|asan) run asan -DCMAKE_BUILD_TYPE=Debug "-DCMAKE_CXX_FLAGS_DEBUG=-O1 -g1" -DKSTOOLS_SANITIZE=address,undefined ;;&
    all|tsan) run tsan -DCMAKE_BUILD_TYPE=Debug "-DCMAKE_CXX_FLAGS_DEBUG=-O1 -g1" -DKSTOOLS_SANITIZE=thread -DKSTOOLS_THREADING_TESTS_ONLY=ON ;;&
    all|release|asan|tsan) ;;
    *) echo "usage: $0 [all|release|asan|tsan]" >&2; exit 2 ;;
esac
