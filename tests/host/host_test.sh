# Shared by the qvhost end-to-end tests; sourced, with the arguments every test gets:
#   <test>.sh QVHOST PLUGIN
# Gives a private work folder ($work) with its own registry, `qv` to run the host on the
# plug-in, `check` to count failures, and a few inputs made with FFmpeg's tool.
set -u
qvhost=$1 plugin=$2
work=$(mktemp -d "${TMPDIR:-/tmp}/qvhost-test.XXXXXX")
trap 'rm -rf "$work"' EXIT
export QV_WIN32_REGISTRY="$work/user.reg"  # the plug-in's settings for this test only
failures=0

qv() { "$qvhost" --plugin "$plugin" "$@"; }

# check DESCRIPTION COMMAND...: runs a test command, counts and reports a failure.
check() {
  local what=$1
  shift
  "$@" || { echo "FAIL: $what"; failures=$((failures + 1)); }
}

# expect STATUS PATTERN qvhost-arguments...: runs qvhost, keeps its output in $said, and
# checks its exit status and that the output matches the extended grep PATTERN.
expect() {
  local want=$1 pattern=$2 status
  shift 2
  said=$(qv "$@" 2>&1)
  status=$?
  if [ $status -ne "$want" ]; then
    echo "FAIL: qvhost $* exited with $status, wanted $want: $said"
    failures=$((failures + 1))
  elif ! printf '%s\n' "$said" | grep -Eq "$pattern"; then
    echo "FAIL: qvhost $* said: $said; wanted: $pattern"
    failures=$((failures + 1))
  fi
}

# pictures FOLDER COUNT WxH: 24-bit BMP frames FOLDER/f1.bmp ... (a moving test card).
pictures() {
  mkdir -p "$1"
  ffmpeg -v error -nostdin -f lavfi -i "testsrc=size=$3:rate=30" -frames:v "$2" -pix_fmt bgr24 "$1/f%d.bmp"
}

# tone FILE SECONDS: 44.1 kHz 16-bit stereo.
tone() {
  ffmpeg -v error -nostdin -f lavfi -i "sine=frequency=440:sample_rate=44100:duration=$2" -ac 2 -c:a pcm_s16le "$1"
}

# The video frames FFmpeg's own reader finds in a file.
frames_in() {
  ffprobe -v error -count_frames -select_streams v:0 -show_entries stream=nb_read_frames -of csv=p=0 "$1"
}

# writing PID FILE: waits until process PID holds FILE open (its writer has begun);
# fails if the process ends first.
writing() {
  local fd
  while kill -0 "$1" 2>/dev/null; do
    for fd in /proc/"$1"/fd/*; do
      case $(readlink "$fd" 2>/dev/null) in *"$2") return 0 ;; esac
    done
    sleep 0.05
  done
  return 1
}

finish() {
  [ $failures -eq 0 ] && echo "all passed" || echo "$failures failed"
  [ $failures -eq 0 ]
}
