#!/usr/bin/env bash
# An export writes as it goes. A video-only export (its profile's sound stream left
# empty) reaches the disk while it runs rather than all at the end (into the file that
# takes the output's name once whole), a full disk fails
# the frame that met it, and such a file serves as --from, its video alone.
. "$(dirname "$0")/host_test.sh"

out="$work/long.wmv"
"$qvhost" --plugin "$plugin" export "$out" --pattern 100000 --size 320x240 --profile 12 2>"$work/said" &
pid=$!
grew=
for _ in $(seq 1200); do  # up to two minutes on a busy machine
  [ "$(stat -c %s "$out.qvhost-new" 2>/dev/null || echo 0)" -gt 500000 ] && grew=yes && break
  kill -0 $pid 2>/dev/null || break
  sleep 0.1
done
kill -s INT $pid
wait $pid
check "half a megabyte reached the disk while the export ran: $(cat "$work/said")" test -n "$grew"
written=$(frames_in "$out")
expect 0 "wrote .*again.wmv: $written frames of 320x240 at 30.000 frames/s, profile" export "$work/again.wmv" --from "$out"
check "again.wmv holds the $written frames" test "$(frames_in "$work/again.wmv")" = "$written"

# The file size limit stands in for a full disk; its signal is ignored, as a write
# then fails with EFBIG instead. A coverage build's counters, written at exit under the
# same limit, go to the work folder rather than being cut short over the build's own.
said=$( (trap '' XFSZ; ulimit -f 200; export GCOV_PREFIX="$work/counters"
  qv export "$work/full.wmv" --pattern 3000 --size 320x240 --profile 12) 2>&1)
check "a full disk fails the frame that met it, not the end: $said" \
  grep -Eq "could not write frame [0-9]+ to .*full.wmv: File too large" <<<"$said"
check "the failed export leaves no file" test ! -e "$work/full.wmv"
finish
