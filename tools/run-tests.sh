#!/usr/bin/env bash
# Installs what the build needs, configures, builds and runs every test.
# Arguments go to the configure step.
set -euo pipefail
cd "$(dirname "$0")/.."

tools/install-deps.sh
cmake --preset default "$@"
cmake --build --preset default
ctest --preset default -j "$(nproc)"
