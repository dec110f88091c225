#!/usr/bin/env bash
# Checks the shipped i686 build (QV_WIN32_BUILD, default build/win32): each check in
# scripts/check-win32.d looks at one shipped file.
set -euo pipefail
cd "$(dirname "$0")/.."
fail=0
for check in scripts/check-win32.d/*.sh; do
  [ -e "$check" ] || continue
  bash "$check" || fail=1
done
[ $fail -eq 0 ] && echo "check-win32: ok"
exit $fail
