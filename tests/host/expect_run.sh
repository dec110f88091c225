#!/bin/sh
# expect_run.sh <status: 0 | nonzero> <extended grep pattern> <command...>
# Runs the command and checks its exit status and that its output (standard output
# and standard error together, its lines joined by spaces) matches the pattern.
want=$1 pattern=$2
shift 2
output=$("$@" 2>&1)
status=$?
echo "$output"
if [ "$want" = 0 ] && [ $status -ne 0 ]; then echo "expect_run: exit status $status, wanted 0"; exit 1; fi
if [ "$want" != 0 ] && [ $status -eq 0 ]; then echo "expect_run: exit status 0, wanted a failure"; exit 1; fi
echo "$output" | tr '\r\n' '  ' | grep -Eq "$pattern" || { echo "expect_run: output does not match: $pattern"; exit 1; }
