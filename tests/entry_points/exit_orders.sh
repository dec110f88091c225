#!/bin/sh
# Every way a host can leave the plug-in behind must end the process cleanly: with or
# without unloading it, the stand-in loaded by the plug-in or before it, nothing open,
# an import open, an export open.
#   exit_orders.sh BARE_HOST PLUGIN STANDIN WORK
set -u
host=$1 plugin=$2 standin=$3 work=$4
rm -rf "$work" && mkdir -p "$work" || exit 1
export QV_WIN32_REGISTRY="$work/user.reg"
ffmpeg -v error -nostdin -y -f lavfi -i testsrc=size=160x120:rate=30 -t 1 -c:v wmv2 "$work/clip.wmv" || exit 1
failed=0
for first in "" "--standin $standin"; do
  for leave in exit unload; do
    for transfer in none "import $work/clip.wmv" "export $work/out.wmv"; do
      # shellcheck disable=SC2086 # the words are meant to split
      output=$(timeout 60 "$host" $first "$plugin" $leave $transfer 2>&1)
      status=$?
      if [ $status -ne 0 ]; then
        echo "FAILED (status $status): ${first:+stand-in first, }$leave, $transfer"
        echo "$output" | sed 's/^/    /'
        failed=1
      fi
    done
  done
done
[ $failed = 0 ] && echo "every exit order ended cleanly"
exit $failed
