#!/usr/bin/env bash
# qvhost with the media a person has, end to end through the built tools. Inputs and
# outputs are made and checked with FFmpeg's own command-line tools.
#   media_e2e.sh inputs|from|outputs|without QVHOST PLUGIN
# QV_EMULATOR, when set, is the program that runs qvhost (Wine, qemu-user).
set -uo pipefail
group=$1 qvhost=$2 plugin=$3
emulator=()
if [ -n "${QV_EMULATOR:-}" ]; then emulator=("$QV_EMULATOR"); fi
work=$(mktemp -d)
export QV_WIN32_REGISTRY="$work/user.reg"  # the profile choice stays in this test
trap 'rm -rf "$work"' EXIT
cd "$work" || exit 1
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }
ff() { ffmpeg -v error -nostdin -y "$@"; }
host() { "${emulator[@]}" "$qvhost" --plugin "$plugin" "$@"; }
# Runs qvhost; its output (both streams) goes to $work/said, and its status is checked.
expect() { # 0|1 args...
  local want=$1
  shift
  host "$@" >said 2>&1
  local status=$?
  [ "$status" -eq "$want" ] || fail "qvhost $* exited with $status, wanted $want: $(cat said)"
}
said() { grep -qF -- "$1" said || fail "qvhost did not say '$1': $(cat said)"; }
# The PSNR of the first video frames of two files, in dB ("inf" for equal pictures).
psnr() {
  ffmpeg -nostdin -i "$1" -i "$2" -lavfi "[0:v][1:v]psnr" -frames:v "${3:-1}" -f null - 2>&1 |
    sed -n 's/.*PSNR.* average:\([0-9.inf]*\).*/\1/p' | tail -n1
}
at_least() { # value minimum what
  [ -n "$1" ] && awk -v v="$1" -v m="$2" 'BEGIN { exit !(v == "inf" || v + 0 >= m) }' ||
    fail "$3: $1 (wanted $2 or more)"
}
probe() { # file stream entries
  ffprobe -v error -select_streams "$2" -show_entries "$3" -of default=noprint_wrappers=1:nokey=1 "$1" | head -n1
}
picture="testsrc=size=160x120:rate=1,drawbox=x=0:y=0:w=40:h=30:color=red:t=fill"

case $group in
inputs)
  # Pictures of other depths and kinds arrive whole and the right way up: red top left.
  ff -f lavfi -i "$picture" -frames:v 1 -pix_fmt rgba pic.png
  ff -f lavfi -i "$picture" -frames:v 1 -pix_fmt bgra pic32.bmp
  ff -f lavfi -i "$picture" -frames:v 1 -q:v 2 pic.jpg
  ff -f lavfi -i "$picture" -frames:v 1 -pix_fmt pal8 pic8.bmp
  for source in pic.png pic32.bmp pic.jpg pic8.bmp; do
    expect 0 export "$source.wmv" "$source" "$source" "$source"
    at_least "$(psnr "$source.wmv" pic.png)" 28 "$source exported and read back"
  done
  # Sound of any rate, depth and channel count: converted, with a note, and as long.
  ff -f lavfi -i "sine=frequency=440:sample_rate=48000" -t 2 -af "pan=5.1|c0=c0|c1=c0|c2=c0|c3=c0|c4=c0|c5=c0" \
    -c:a pcm_s24le six.wav
  ff -f lavfi -i "sine=frequency=440:sample_rate=8000" -t 2 -c:a pcm_f32le float.wav
  expect 0 export six.wmv --pattern 60 --wav six.wav
  said "from 48000 Hz, 6 channels, 24-bit to 44100 Hz, stereo, 16-bit"
  expect 0 export float.wmv --pattern 60 --wav float.wav
  said "from 8000 Hz, mono, 32-bit float to 11025 Hz, mono, 16-bit"
  for out in six.wmv float.wmv; do
    seconds=$(probe "$out" a:0 stream=duration)
    awk -v d="$seconds" 'BEGIN { exit !(d > 1.8 && d < 2.3) }' || fail "$out: sound of $seconds s, wanted 2"
  done
  # Sound the plug-in takes as it is goes in unconverted, without a note.
  ff -f lavfi -i "sine=frequency=440:sample_rate=22050" -t 2 -c:a pcm_s16le plain.wav
  expect 0 export plain.wmv --pattern 60 --wav plain.wav
  grep -q converted said && fail "a plain WAV was converted: $(cat said)"
  # A damaged picture or one that is none is refused, not sent half grey: a PNG whose
  # rows end early (a whole file, but its header is a taller picture's).
  echo "not a picture" >text.png
  head -c 2000 pic.jpg >cut.jpg
  ff -f lavfi -i "$picture" -frames:v 1 -vf crop=160:60:0:0 -pix_fmt rgba short.png
  { head -c 33 pic.png && tail -c +34 short.png; } >ends.png
  for bad in text.png cut.jpg ends.png; do
    expect 1 export bad.wmv pic.png "$bad"
    said "$bad"
  done
  ;;
from)
  # Any file FFmpeg reads: its frames at its own rate, and its sound.
  ff -f lavfi -i "testsrc=size=160x120:rate=25" -f lavfi -i "sine=frequency=440:sample_rate=48000" -t 2 \
    -c:v libx264 -pix_fmt yuv420p -c:a aac -ac 2 input.mp4
  expect 0 export out.wmv --from input.mp4
  said "50 frames of 160x120 at 25.000 frames/s with audio"
  said "converted the sound of input.mp4"
  frames=$(ffprobe -v error -count_frames -select_streams v:0 -show_entries stream=nb_read_frames \
    -of default=noprint_wrappers=1:nokey=1 out.wmv)
  [ "$frames" = 50 ] || fail "out.wmv has $frames frames, wanted 50"
  at_least "$(psnr out.wmv input.mp4 50)" 25 "the frames of input.mp4 read back"
  [ -n "$(probe out.wmv a:0 stream=codec_name)" ] || fail "out.wmv has no sound"
  # A width of no whole 16-pixel blocks: the right-hand columns arrive too.
  ff -f lavfi -i "testsrc=size=164x120:rate=25" -t 1 -c:v libx264 -pix_fmt yuv420p narrow.mp4
  expect 0 export narrow.wmv --from narrow.mp4
  edge=$(ffmpeg -nostdin -i narrow.wmv -i narrow.mp4 \
    -lavfi "[0:v]crop=8:120:156:0[a];[1:v]crop=8:120:156:0[b];[a][b]psnr" -frames:v 1 -f null - 2>&1 |
    sed -n 's/.*PSNR.* average:\([0-9.inf]*\).*/\1/p' | tail -n1)
  at_least "$edge" 25 "the right-hand columns of narrow.mp4 read back"
  # Sound alone from a media file, frames from elsewhere; a file without video and no
  # frames says what to give.
  ff -f lavfi -i "sine=frequency=440:sample_rate=44100" -t 2 -c:a libmp3lame song.mp3
  expect 0 export song.wmv --pattern 60 --from song.mp3
  [ -n "$(probe song.wmv a:0 stream=codec_name)" ] || fail "song.wmv has no sound"
  expect 1 export nothing.wmv --from song.mp3
  said "has no video: give the frames as pictures or --pattern"
  ;;
outputs)
  ff -f lavfi -i "testsrc=size=160x120:rate=25" -f lavfi -i "sine=frequency=440:sample_rate=44100" -t 2 \
    -c:v wmv2 -b:v 2M -c:a pcm_s16le -ac 2 clip.wmv
  # PNG frames: by --format, or by the name given; the same pictures as the BMP frames.
  expect 0 frames clip.wmv --from 3 --to 5 -o bmp
  expect 0 frames clip.wmv --from 3 --to 5 -o png --format png
  expect 0 frames clip.wmv --at 4 -o shot.png
  expect 0 frames clip.wmv --from 3 --to 4 -o named/shot.PNG
  for name in png/frame-000003.png png/frame-000005.png shot.png named/shot-000003.PNG named/shot-000004.PNG; do
    [ "$(probe "$name" v:0 stream=codec_name)" = png ] || fail "$name is not a PNG"
  done
  at_least "$(psnr png/frame-000004.png bmp/frame-000004.bmp)" 99 "PNG against BMP of frame 4"
  at_least "$(psnr shot.png bmp/frame-000004.bmp)" 99 "shot.png against BMP of frame 4"
  expect 1 frames clip.wmv --at 4 -o shot.png --format bmp
  said "names a .png file, but --format asks for bmp"
  # info: a person's summary first, then the record; --raw the record alone.
  expect 0 info clip.wmv
  for line in "clip.wmv: video and sound" "streams:   output 0 video, output 1 sound 1" \
    "picture:   160x120" "frames:    60, presented at 30 frames per second" "duration:  2.00 s" \
    "sound:     44100 Hz, stereo, 16-bit (88200 sample frames)" "own rate is 25.000 fps" \
    "A 25 fps clip of 10 s thus has 300 positions" "frame rate:        30000"; do
    said "$line"
  done
  expect 0 info clip.wmv --raw
  said "frame rate:        30000"
  grep -q "picture:" said && fail "--raw printed the summary: $(cat said)"
  ;;
without)
  # A qvhost built without FFmpeg says so when asked for what needs it, and fails.
  ff -f lavfi -i "$picture" -frames:v 1 pic.png
  expect 1 export out.wmv pic.png
  said "built without FFmpeg"
  [ -e out.wmv ] && fail "a refused export left out.wmv"
  expect 1 export out.wmv --from pic.png
  said "built without FFmpeg"
  expect 1 frames clip.wmv --at 0 -o frame.png
  said "built without FFmpeg"
  ;;
*)
  echo "unknown group $group"
  exit 2
  ;;
esac
[ "$failures" -eq 0 ] || { echo "$failures failure(s) in $group"; exit 1; }
echo "media $group: all passed"
