#!/usr/bin/env bash
# Builds a self-extracting setup around a small sample program with paktool, runs it
# with a temporary folder as its Windows directory, and shows what happened.
# QV_PAKTOOL and QV_LAUNCHER name other programs than the build's (an installed tree).
set -euo pipefail
cd "$(dirname "$0")/../.."
build=${QV_LINUX_BUILD:-build/linux}
paktool=${QV_PAKTOOL:-$build/tools/paktool}
launcher=${QV_LAUNCHER:-$build/launcher/unpackrun}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/windows" "$work/disk1"

cat >"$work/sample.sh" <<'SAMPLE'
#!/bin/sh
# The sample "setup program": reports how it was started.
echo "  runsetup.exe started from $(pwd) with argument: $1" >"$SETUP_REPORT"
SAMPLE

echo "-- building the setup"
"$paktool" build --launcher "$launcher" --output "$work/disk1/setup" \
  "$work/sample.sh=c:\\mornavel\\disk1\\runsetup.exe"
chmod +x "$work/disk1/setup"
"$paktool" list --offset "$(stat -c %s "$launcher")" "$work/disk1/setup"

echo "-- running it (Windows directory: $work/windows)"
status=0
WINDIR="$work/windows" SETUP_REPORT="$work/report" "$work/disk1/setup" || status=$?
echo "  launcher exit code: $status"
[ "$status" -eq 0 ] || exit 1
for _ in $(seq 50); do [ -s "$work/report" ] && break; sleep 0.1; done
echo "  extracted: $(ls "$work/windows")"
cmp -s "$work/sample.sh" "$work/windows/runsetup.exe" || { echo "  extracted bytes differ from the sample program"; exit 1; }
echo "  extracted bytes match the sample program"
cat "$work/report"
