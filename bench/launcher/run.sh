#!/usr/bin/env bash
# Runs the archive benchmark on a fixed corpus of real programs: the first eight
# files in /usr/bin (by name) of 150 to 300 KB. Beside the decoder figure it runs
# lz4 -b on the same bytes, on the same machine.
#   bench/launcher/run.sh [BUILD_DIR]     (default: build/linux)
set -euo pipefail
cd "$(dirname "$0")/../.."
build=${1:-build/linux}
mapfile -t corpus < <(find /usr/bin -maxdepth 1 -type f -size +150k -size -300k | LC_ALL=C sort | head -8)
echo "corpus: ${corpus[*]}"
"$build/bench/launcher/pak_bench" "${corpus[@]}"

if command -v lz4 >/dev/null; then
  joined=$(mktemp)
  trap 'rm -f "$joined"' EXIT
  cat "${corpus[@]}" >"$joined"
  echo "lz4 -b on the same bytes, joined into one file (compression, decompression; wall time):"
  for level in 1 9; do
    printf '  lz4 -%s: ' "$level"
    lz4 -b"$level" -i5 "$joined" 2>&1 | tr '\r' '\n' | grep 'MB/s ,' | tail -1 | sed 's/^ *//'
  done
  echo "load average during the run: $(cut -d' ' -f1-3 /proc/loadavg)"
fi
