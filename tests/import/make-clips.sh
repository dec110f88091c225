#!/bin/sh
# Makes the media files the import tests read, with FFmpeg's own command-line tool,
# and FFmpeg's own decode of their video as reference (raw BGR, top-down rows, one
# frame after another). Safe to run again: a folder finished by this same script is
# left as it is.
#   make-clips.sh FOLDER
set -eu
out=$1
stamp=$(cksum < "$0")
[ -f "$out/.done" ] && [ "$(cat "$out/.done")" = "$stamp" ] && exit 0
mkdir -p "$out"
work=$(mktemp -d "$out/.work.XXXXXX")
trap 'rm -rf "$work"' EXIT
ff="ffmpeg -v error -nostdin -y"

# Every frame differs from its neighbours in red, so a frame one position off shows.
moving() { # size rate
  echo "testsrc=size=$1:rate=$2,format=rgb24,geq=r='mod(N*41\,256)':g='g(X\,Y)':b='b(X\,Y)'"
}
tone="sine=frequency=440:sample_rate=44100"
reference() { # clip.wmv out.bgr [stream]
  $ff -i "$1" -map "0:v:${3:-0}" -fps_mode passthrough -f rawvideo -pix_fmt bgr24 "$2"
}

# PCM audio: the file lasts exactly 10 s (the audio encoder would pad its last packet).
$ff -f lavfi -i "$(moving 160x120 30)" -f lavfi -i "$tone" -t 10 -ac 2 \
  -c:v wmv2 -b:v 2M -c:a pcm_s16le "$work/av.wmv"
reference "$work/av.wmv" "$work/av.bgr"

$ff -f lavfi -i "$tone" -t 10 -ac 2 -c:a wmav2 -b:a 128k "$work/audio.wmv"
$ff -f lavfi -i "$(moving 160x120 30)" -f lavfi -i "$tone" -t 10 -ac 2 \
  -c:v wmv2 -b:v 2M -c:a wmav2 -b:a 128k -avoid_negative_ts disabled "$work/av-wma.wmv"

$ff -f lavfi -i "$(moving 160x120 30)" -t 2 -c:v wmv2 -b:v 2M "$work/video.wmv"

# Sound running a second past the last picture (at 1.967 s), as in many real files.
$ff -f lavfi -t 2 -i "$(moving 160x120 30)" -f lavfi -t 3 -i "$tone" -ac 2 \
  -c:v wmv2 -b:v 2M -c:a wmav2 -b:a 128k -avoid_negative_ts disabled "$work/longsound.wmv"
reference "$work/longsound.wmv" "$work/longsound.bgr"

# Two video streams of different sizes: frames come from the first.
$ff -f lavfi -i "$(moving 160x120 30)" -f lavfi -i "testsrc2=size=96x64:rate=30" -t 2 \
  -map 0:v -map 1:v -c:v wmv2 -b:v 2M "$work/twovideo.wmv"
reference "$work/twovideo.wmv" "$work/twovideo.bgr" 0

$ff -f lavfi -i "$(moving 160x120 25)" -t 4 -c:v wmv2 -b:v 2M "$work/fps25.wmv"
reference "$work/fps25.wmv" "$work/fps25.bgr"

# More outputs than the plug-in's kind table holds: 65 audio streams, then video.
maps=""
for _ in $(seq 65); do maps="$maps -map 0:a"; done
$ff -f lavfi -i "sine=frequency=440:sample_rate=22050" -f lavfi -i "testsrc=size=64x48:rate=30" -t 1 \
  $maps -map 1:v -ac 1 -c:a wmav2 -b:a 32k -c:v wmv2 "$work/many.wmv"

echo "this is not a media file" > "$work/notmedia.wmv"

mv -f "$work"/* "$out"/
echo "$stamp" > "$out/.done"
