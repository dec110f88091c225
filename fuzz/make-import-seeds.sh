#!/bin/sh
# Writes the import fuzzer's seeds into FOLDER with FFmpeg's command-line tool: a few
# small .wmv clips (a few kilobytes each, short packets) of the kinds the plug-in
# reads. A folder that already holds them is left as it is.
#   make-import-seeds.sh FOLDER
set -eu
out=$1
mkdir -p "$out"
[ -f "$out/seed-av.wmv" ] && exit 0
ff="ffmpeg -v error -nostdin -y"
video="testsrc=size=32x24:rate=30"
tone="sine=frequency=440:sample_rate=11025"
work=$(mktemp -d "$out/.work.XXXXXX")
trap 'rm -rf "$work"' EXIT
$ff -f lavfi -i "$video" -t 0.2 -c:v wmv1 -g 3 -packet_size 200 "$work/seed-video.wmv"
$ff -f lavfi -i "$video" -f lavfi -i "$tone" -t 0.2 -ac 1 -c:v wmv2 -g 3 -c:a wmav2 -b:a 24k \
  -packet_size 200 "$work/seed-wma.wmv"
$ff -f lavfi -i "$video" -f lavfi -i "$tone" -t 0.2 -ac 1 -c:v wmv2 -g 3 -c:a pcm_u8 \
  -packet_size 400 "$work/seed-pcm.wmv"
mv "$work"/seed-video.wmv "$work"/seed-wma.wmv "$work"/seed-pcm.wmv "$out"/
# Last, so that an interrupted run starts again.
$ff -f lavfi -i "$video" -f lavfi -i "$tone" -t 0.3 -ac 1 -c:v wmv2 -g 4 -c:a wmav2 -b:a 24k \
  -packet_size 500 "$work/seed-av.wmv"
mv "$work/seed-av.wmv" "$out/"
