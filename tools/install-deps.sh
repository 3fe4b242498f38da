#!/usr/bin/env bash
# Installs the Debian packages that building and testing Quarvel need, if any
# are missing. Needs root (or sudo) only when something must be installed.
set -euo pipefail

packages=(
  cmake ninja-build g++ clang pkg-config
  libgtest-dev libgmock-dev libbenchmark-dev
  libicu-dev libcli11-dev nlohmann-json3-dev libgmime-3.0-dev libglib2.0-dev
  libsqlite3-dev libsqlitecpp-dev sqlite3
  qt6-base-dev fonts-dejavu-core  # the setup program's windows and their font
  xvfb xauth xdotool x11-apps netpbm  # tools/screenshots.sh: a virtual display, its window grabbed to PNG
  time                            # CPU time and peak memory in bench/eval_bench.sh
  python3 clang-format            # CI's include-layer and format checks
)
[ "${QUARVEL_WITH_FUZZ:-0}" = 1 ] && packages+=(libclang-rt-14-dev)

missing=()
for package in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed" ||
    missing+=("$package")
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "Installing: ${missing[*]}"
sudo=""
[ "$(id -u)" -ne 0 ] && sudo="sudo"
$sudo apt-get update -qq
DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
