#!/bin/sh
# record_launch as a script, for builds whose own programs the kernel cannot start
# (the 32-bit build under qemu-user): the program the launcher starts must be one the
# machine runs by itself. Same record: argc, each argument, the current directory.
[ -n "$QV_RECORD" ] || exit 1
{
  echo "argc=$(($# + 1))"
  for arg in "$@"; do echo "arg=$arg"; done
  echo "cwd=$(pwd)"
} >"$QV_RECORD"
