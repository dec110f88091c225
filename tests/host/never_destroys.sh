#!/usr/bin/env bash
# qvhost export never destroys a file by accident: an output that is one of its inputs
# (by any name), that is not named .wmv/.asf, or that exists without --force (-y) is
# refused before anything is written, and the file stays as it was.
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
finish
