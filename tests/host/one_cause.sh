#!/usr/bin/env bash
# Every failure of an export names the one cause the host found, not a list of guesses;
# a failure is never reported as a success.
. "$(dirname "$0")/host_test.sh"
: >"$work/plain-file"
expect 1 "the folder .*/missing does not exist$" export "$work/missing/out.wmv" --pattern 3
expect 1 "plain-file is not a folder$" export "$work/plain-file/out.wmv" --pattern 3
expect 1 "out.wmv is a folder$" export "$(mkdir "$work/out.wmv" && echo "$work/out.wmv")" --pattern 3
expect 1 "no profile at position 999: the dialog lists positions 0 to [0-9]+ " export "$work/a.wmv" --pattern 3 --profile 999
if [ "$(id -u)" != 0 ]; then  # the superuser may write anywhere
  mkdir "$work/locked" && chmod 555 "$work/locked"
  expect 1 "cannot create '.*locked/out.wmv': Permission denied$" export "$work/locked/out.wmv" --pattern 3
fi
check "no file was made by the failures" test -z "$(find "$work" -name '*.wmv*' -type f)"
# A choice the plug-in's settings cannot keep is not reported as saved.
export QV_DIALOG_SCRIPT=select:3,ok QV_WIN32_REGISTRY="$work/plain-file/user.reg"
expect 1 "profile 3 was chosen, but the plug-in's settings could not be written: the choice was not kept" configure
finish
