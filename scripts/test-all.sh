#!/usr/bin/env bash
# Installs what is missing, builds all three builds and runs every test:
# the Linux tests natively, the Windows tests of the x86_64 build under wine64.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/install-deps.sh

for preset in linux win32 win64; do
  echo "== build: $preset"
  scripts/build.sh "$preset"
done

echo "== check: the shipped 32-bit build"
scripts/check-win32.sh

status=0
echo "== tests: linux"
ctest --preset linux -j "$(nproc)" || status=1
echo "== tests: win64 under wine64"
ctest --preset win64 -j "$(nproc)" || status=1
exit $status
