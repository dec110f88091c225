#!/usr/bin/env bash
# Ctrl-C and failures leave no half file. SIGINT, SIGTERM or SIGHUP during an export
# ends the transfer properly: the frames written so far form a complete file that
# FFmpeg reads whole, and the exit status is the shell's for the signal. A bad picture
# late in the list fails before anything is written. --profile is saved only by a
# finished export.
. "$(dirname "$0")/host_test.sh"
tone "$work/tone.wav" 4

# Long enough never to finish first. The plug-in writes a new file beside the output,
# which takes the output's place only once whole; once the host holds that file open,
# the export is under way. The host is started directly, so that $! is its own
# process and the signal reaches it.
start() { # OUT: a long export to OUT, replacing it
  "$qvhost" --plugin "$plugin" export "$1" -y --pattern 100000 --size 160x120 --wav "$work/tone.wav" --profile 5 \
    2>"$work/said" &
  pid=$!
  writing $pid "$1.qvhost-new"
}
for signal in INT TERM HUP; do
  out="$work/stopped-$signal.wmv"
  start "$out"
  kill -s $signal $pid
  wait $pid
  status=$?
  said=$(cat "$work/said")
  want=$((128 + $(kill -l $signal)))
  check "SIG$signal: exit status $status, wanted $want: $said" test $status -eq $want
  written=$(printf '%s\n' "$said" | sed -nE "s/.*SIG$signal: stopped at frame ([0-9]+) of 100000: wrote \1 frames .*, a complete file.*/\1/p")
  check "SIG$signal: no 'stopped at frame N: wrote N frames' in: $said" test -n "$written"
  check "SIG$signal: FFmpeg reads ${written:-?} frames from the kept file" test "$(frames_in "$out")" = "${written:-none}"
done
# Only a kill stops the host from cleaning up; even then the file it was replacing
# stays as it was.
cp "$work/stopped-INT.wmv" "$work/before.wmv"
start "$work/stopped-INT.wmv"
kill -s KILL $pid
wait $pid
check "a killed export leaves the file it was replacing as it was" cmp -s "$work/before.wmv" "$work/stopped-INT.wmv"
rm -f "$work"/*.qvhost-new*

# A picture of another size, then a damaged one, last in the list: refused, naming it,
# before the first frame.
pictures "$work/in" 4 64x48
ffmpeg -v error -nostdin -f lavfi -i testsrc=size=48x48 -frames:v 1 -pix_fmt bgr24 "$work/in/f5.bmp"
expect 1 "f5.bmp: 48x48 differs from the first picture's 64x48" export "$work/bad.wmv" "$work"/in/f*.bmp --profile 3
check "a failed export leaves no file" test ! -e "$work/bad.wmv"
printf 'BM not a picture' >"$work/in/f5.bmp"
expect 1 "f5.bmp" export "$work/bad.wmv" "$work"/in/f*.bmp --profile 3
check "a failed export leaves no file" test ! -e "$work/bad.wmv"

# Neither the failed nor the interrupted exports saved their profile; a finished one does.
expect 0 "profile 0$" export "$work/plain.wmv" --pattern 2
expect 0 "profile 3$" export "$work/chosen.wmv" --pattern 2 --profile 3
expect 0 "profile 3$" export "$work/again.wmv" --pattern 2
finish
