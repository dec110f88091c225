#!/usr/bin/env bash
# qvhost never destroys a file by accident: an output that is one of its inputs (by any
# name), that is not named .wmv/.asf (.bmp/.png for frames), or that exists without
# --force (-y) is refused before anything is written, and the file stays as it was. A
# replaced file is swapped only for a whole new one.
. "$(dirname "$0")/host_test.sh"
pictures "$work/oops" 3 64x48
cksum "$work"/oops/* >"$work/before"
unchanged() { cksum "$work"/oops/* | cmp -s - "$work/before"; }

# The output name forgotten: the first picture would have become the output.
expect 1 "oops/f1.bmp does not end in .wmv or .asf" export "$work"/oops/f*.bmp
# A second name for an input (a hard link), and the sound input written over.
ln "$work/oops/f2.bmp" "$work/oops/link.WMV"
expect 1 "link.WMV is also an input" export "$work/oops/link.WMV" "$work"/oops/f*.bmp
rm "$work/oops/link.WMV"
check "the inputs are unchanged after the refusals" unchanged

expect 0 "wrote .*CLIP.ASF: 3 frames" export "$work/CLIP.ASF" "$work"/oops/f*.bmp
cp "$work/CLIP.ASF" "$work/first.asf"
expect 1 "CLIP.ASF is also an input" export "$work/CLIP.ASF" --pattern 3 --wav "$work/CLIP.ASF"
expect 1 "CLIP.ASF exists; add --force \(-y\) to replace it" export "$work/CLIP.ASF" --pattern 5 --size 32x32
check "a refused export leaves the existing file as it was" cmp -s "$work/CLIP.ASF" "$work/first.asf"
for force in -y --force; do
  expect 0 "wrote .*: 5 frames of 32x32" export "$work/CLIP.ASF" --pattern 5 --size 32x32 "$force"
  check "$force replaces the file" test "$(frames_in "$work/CLIP.ASF")" = 5
done

# A write cut short (a file size limit) fails with the system's cause and leaves the
# file it was to replace, and nothing beside it.
cp "$work/CLIP.ASF" "$work/before.asf"
status=0
# A coverage build writes its counters at exit under the same limit: they go to the work
# folder (GCOV_PREFIX), not cut short over the build's own.
(ulimit -f 16 && GCOV_PREFIX="$work/counters" exec "$qvhost" --plugin "$plugin" export "$work/CLIP.ASF" -y \
  --pattern 60 --size 160x120) >"$work/said" 2>&1 || status=$?
check "a file size limit: exit status $status, wanted 1" test $status -eq 1
check "a file size limit is named: $(cat "$work/said")" grep -q "File too large.*CLIP.ASF is as it was" "$work/said"
check "a failed export leaves the file it was to replace" cmp -s "$work/CLIP.ASF" "$work/before.asf"
check "a failed export leaves nothing beside it" test -z "$(find "$work" -name '*qvhost-new*')"

# A link in the output's place is replaced, never written through; a FIFO, and a
# name the plug-in's runtime would read otherwise, are refused.
ln -s "$work/before.asf" "$work/link.wmv"
expect 0 "wrote .*link.wmv" export "$work/link.wmv" -y --pattern 2 --size 32x32
check "the link's target is unchanged" cmp -s "$work/CLIP.ASF" "$work/before.asf"
check "the link became the file" test -f "$work/link.wmv" -a ! -L "$work/link.wmv"
mkfifo "$work/pipe.wmv"
expect 1 "pipe.wmv is not a regular file" export "$work/pipe.wmv" -y --pattern 2
expect 1 'a\\b.wmv: .* takes a backslash for a folder separator' export "$work/a\\b.wmv" --pattern 2

# frames: the same rules for pictures.
expect 0 "" frames "$work/CLIP.ASF" --at 1 -o "$work/shots"
expect 1 "frame-000001.bmp exists; add --force" frames "$work/CLIP.ASF" --from 0 --to 1 -o "$work/shots"
check "a refused frames wrote nothing" test ! -e "$work/shots/frame-000000.bmp"
ln -s "$work/before.asf" "$work/shot.bmp"
expect 1 "shot.bmp exists; add --force" frames "$work/CLIP.ASF" --at 1 -o "$work/shot.bmp"
expect 0 "" frames "$work/CLIP.ASF" --at 1 -o "$work/shot.bmp" -y
check "frames -y replaces a link, not its target" cmp -s "$work/CLIP.ASF" "$work/before.asf"
check "the link became the picture" cmp -s "$work/shot.bmp" "$work/shots/frame-000001.bmp"
cp "$work/CLIP.ASF" "$work/clip.bmp"
expect 1 "clip.bmp is also an input" frames "$work/clip.bmp" --at 0 -o "$work/clip.bmp" -y
expect 1 "x.jpg: pictures are written as .png or .bmp" frames "$work/CLIP.ASF" --at 0 -o "$work/x.jpg"
check "no x.jpg was made" test ! -e "$work/x.jpg"
finish
