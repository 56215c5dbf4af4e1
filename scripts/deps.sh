#!/usr/bin/env bash
# Installs the Debian packages that the build, the tests, the benchmarks and the
# fuzzers need. Silent when everything is there; runs `apt-get update` once, and
# only when something is missing.
set -euo pipefail

packages=(
    cmake ninja-build g++ clang libclang-rt-14-dev lld ccache pkg-config python3
    libgtest-dev libgmock-dev libbenchmark-dev
    libicu-dev tzdata libhowardhinnant-date-dev libsqlite3-dev libical-dev
    libfmt-dev libcli11-dev nlohmann-json3-dev nettle-dev
    libcairo2-dev libfreetype-dev libfontconfig-dev libpng-dev fonts-wine fonts-dejavu-core
    libpango1.0-dev
    libnotify-dev
    libx11-dev xvfb xdotool
    sox
    valgrind
    python3-vobject
    python3-icalendar
)

missing=()
for p in "${packages[@]}"; do
    status=$(dpkg-query -W -f='${Status}' "$p" 2>/dev/null || true)
    [[ "$status" == "install ok installed" ]] || missing+=("$p")
done
[[ ${#missing[@]} -eq 0 ]] && exit 0

echo "Installing: ${missing[*]}" >&2
sudo=""
[[ $(id -u) -eq 0 ]] || sudo="sudo"
export DEBIAN_FRONTEND=noninteractive
$sudo apt-get update -qq
$sudo apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
