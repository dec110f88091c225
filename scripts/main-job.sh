#!/usr/bin/env bash
# Installs what is missing, builds the Linux build and runs the main job: each
# demonstration in scripts/main-job.d (a real .wmv exported and imported through
# the plug-in, a self-extracting setup built and run).
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
scripts/build.sh linux
for job in scripts/main-job.d/*.sh; do
  [ -e "$job" ] || continue
  echo "== $(basename "$job" .sh)"
  bash "$job"
done
