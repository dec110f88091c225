#!/usr/bin/env bash
# The plug-in's round trip: export a short .wmv through the command-line host (a moving
# test pattern and a tone), check it with ffprobe, then import it back through the
# plug-in (info, and a few frames as .bmp files). QV_HOST names another host command
# than the build's (an installed qvhost, which finds its own plug-in).
set -euo pipefail
cd "$(dirname "$0")/../.."
build=${QV_LINUX_BUILD:-build/linux}
host=${QV_HOST:-"$build/host/qvhost --plugin $build/plugin/quorvel.qpl"}
work=$(mktemp -d "${TMPDIR:-/tmp}/qv-main-job.XXXXXX")
trap 'rm -rf "$work"' EXIT
# The plug-in's settings for this run only, never the user's.
export QV_WIN32_REGISTRY="$work/user.reg"

echo "-- a 3-second 44.1 kHz stereo tone (ffmpeg)"
ffmpeg -v error -f lavfi -i "sine=frequency=440:sample_rate=44100:duration=3" -ac 2 -c:a pcm_s16le "$work/tone.wav"

echo "-- the export profiles the plug-in offers"
$host profiles

last=$($host profiles | grep -cE '^[ *] +[0-9]+  ')
last=$((last - 1))
echo "-- export: 90 frames of 320x240 at 30 frames/s with the tone, profile $last"
$host export "$work/clip.wmv" --pattern 90 --size 320x240 --rate 30 --wav "$work/tone.wav" --profile "$last"

echo "-- ffprobe's view of the file"
ffprobe -v error -count_frames -show_entries stream=codec_type,codec_name,width,height,nb_read_frames:format=duration \
  -of default=nw=1 "$work/clip.wmv"
video=$(ffprobe -v error -count_frames -select_streams v:0 -show_entries stream=codec_name,nb_read_frames -of csv=p=0 "$work/clip.wmv")
audio=$(ffprobe -v error -select_streams a:0 -show_entries stream=codec_name -of csv=p=0 "$work/clip.wmv")
[ "$video" = "wmv1,90" ] || { echo "unexpected video stream: $video"; exit 1; }
[ "$audio" = "wmav2" ] || { echo "unexpected audio stream: $audio"; exit 1; }

echo "-- import back through the plug-in"
$host info "$work/clip.wmv"
mkdir -p "$work/frames"
$host frames "$work/clip.wmv" --from 0 --to 89 --every 30 -o "$work/frames"
ls -l "$work/frames"
echo "-- the round trip worked: exported, probed and imported $work/clip.wmv"
