#!/usr/bin/env bash
# Checks the shipped i686 build: PE32 images of the expected kind.
set -euo pipefail
cd "$(dirname "$0")/.."
dir=build/win32
objdump=i686-w64-mingw32-objdump
fail=0
for f in "$dir"/plugin/quorvel.qpl; do
  if ! $objdump -f "$f" | grep -q 'file format pei-i386'; then
    echo "check-win32: $f is not a PE32 image"; fail=1
  fi
done
for check in scripts/check-win32.d/*.sh; do
  [ -e "$check" ] || continue
  bash "$check" || fail=1
done
[ $fail -eq 0 ] && echo "check-win32: ok"
exit $fail
