#!/usr/bin/env bash
# Configures and builds one preset (linux, win32 or win64): scripts/build.sh PRESET
set -euo pipefail
cd "$(dirname "$0")/.."
preset=${1:?usage: scripts/build.sh linux|win32|win64}
cmake --preset "$preset" >/dev/null
cmake --build --preset "$preset" -j "$(nproc)"
