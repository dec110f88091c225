#!/usr/bin/env bash
# What a person or a script expects of qvhost and paktool on the command line:
#   command_line.sh help|json|progress|refusals QVHOST PLUGIN PAKTOOL LAUNCHER
group=$1
shift
. "$(dirname "$0")/host_test.sh"
paktool=$3 launcher=$4

# has TEXT PATTERN WHAT: the text matches the extended grep pattern.
has() { printf '%s\n' "$1" | grep -Eq -- "$2" || { echo "FAIL: $3: wanted /$2/ in: $1"; failures=$((failures + 1)); }; }

case $group in
help)
  # Every command listed has help of its own, the same three ways, on standard output.
  commands=$(qv --help | sed -n '/^commands:/,/^$/s/^  \([a-z]\+\).*/\1/p')
  check "qvhost --help lists the commands" test "$(echo $commands)" = "configure export formats frames info profiles"
  has "$(qv --help)" "qvhost help <command>" "qvhost --help says how to get a command's help"
  for command in $commands; do
    said=$(qv help "$command" 2>/dev/null) || echo "FAIL: qvhost help $command failed"
    has "$said" "^usage: qvhost .*$command" "help $command"
    has "$said" "^example:" "help $command"
    has "$said" "^  qvhost $command" "help $command"
    for asked in --help -h; do
      check "qvhost $command $asked is qvhost help $command" test "$(qv "$command" "$asked" 2>/dev/null)" = "$said"
    done
  done
  # Help needs no plug-in; an unknown command is refused.
  check "help without a plug-in" "$qvhost" --plugin /nonexistent/none.qpl export --help
  expect 2 "unknown command 'nonsense'" help nonsense
  for command in build list extract; do
    said=$("$paktool" help "$command")
    has "$said" "^  paktool $command " "paktool help $command"
    has "$said" "example: paktool $command" "paktool help $command"
    check "paktool $command --help is paktool help $command" test "$("$paktool" "$command" --help)" = "$said"
  done
  ;;
json)
  # A path with characters JSON must escape or carry (a backslash is a Windows path's
  # separator to the plug-in; host_helpers_test has it and bytes that are not UTF-8).
  odd=$'clip "one" tab\there é'
  ffmpeg -v error -nostdin -f lavfi -i "testsrc=size=160x120:rate=25" -f lavfi -i "sine=sample_rate=44100" -t 2 \
    -c:v wmv2 -c:a pcm_s16le -ac 2 "$work/$odd.wmv"
  qv info "$work/$odd.wmv" --json >"$work/info.json"
  qv profiles --json >"$work/profiles.json"
  qv formats --json >"$work/formats.json"
  python3 - "$work" "$work/$odd.wmv" "$(qv profiles | grep -c '^[ *] *[0-9]')" <<'EOF' || failures=$((failures + 1))
import json, sys
work, path, profile_count = sys.argv[1], sys.argv[2], int(sys.argv[3])
info = json.load(open(work + "/info.json", encoding="utf-8"))
want = {"file": path, "has_video": True, "has_sound": True, "width": 160, "height": 120, "frame_count": 60,
        "frames_per_second": 30, "duration": 2, "own_frames_per_second": 25,
        "sound": {"sample_rate": 44100, "channels": 2, "bits_per_sample": 16, "length": 88200}}
wrong = {key: info.get(key) for key, value in want.items() if info.get(key) != value}
if sorted(s["type"] for s in info["streams"]) != ["sound", "video"]: wrong["streams"] = info["streams"]
record = info["record"]
if (record["frame_rate"], record["bitmap"]["biWidth"], record["wave"]["nSamplesPerSec"]) != (30000, 160, 44100):
    wrong["record"] = record
profiles = json.load(open(work + "/profiles.json"))
if [p["position"] for p in profiles["profiles"]] != list(range(profile_count)) or profiles["export_default"] != 0:
    wrong["profiles"] = profiles
formats = json.load(open(work + "/formats.json"))["formats"]
if len(formats) != 1 or formats[0]["pattern"] != "*.wmv" or formats[0]["capabilities_hex"] != "0x%08X" % formats[0]["capabilities"]:
    wrong["formats"] = formats
for key, value in wrong.items(): print("FAIL: --json:", key, "is", value)
sys.exit(1 if wrong else 0)
EOF
  ;;
progress)
  # On a terminal, a long export and a long build show their rate and the time left.
  command -v script >/dev/null || { echo "FAIL: no script(1) to give a terminal"; exit 1; }
  on_terminal() { script -qec "$1" /dev/null | tr '\r' '\n'; }
  # Long enough to pass the half second before progress shows, natively and emulated.
  frames=1500
  [ "${QV_TEST_SLOWDOWN:-1}" -gt 1 ] && frames=300
  said=$(on_terminal "'$qvhost' --plugin '$plugin' export '$work/long.wmv' --pattern $frames --size 640x480")
  has "$said" "^export: [0-9]+/$frames frames \([0-9]+%\), [0-9.]+ frames/s, [0-9]+:[0-9]{2} left" "export progress"
  has "$said" "^export: $frames frames in [0-9.]+ s" "export's last progress line"
  head -c 3000000 /dev/urandom | od -An -tx1 >"$work/large.txt"
  said=$(on_terminal "'$paktool' build --launcher '$launcher' --output '$work/setup' '$work/large.txt'")
  has "$said" "^build: [0-9.]+/[0-9.]+ MB \([0-9]+%\), [0-9.]+ MB/s, [0-9]+:[0-9]{2} left" "paktool build progress"
  # A pipe gets results only; --quiet not even those.
  qv export "$work/piped.wmv" --pattern 60 2>"$work/errors" | grep -q "^wrote " || echo "FAIL: no 'wrote' on a pipe"
  check "no progress on a pipe: $(cat "$work/errors")" test ! -s "$work/errors"
  said=$(on_terminal "'$qvhost' --plugin '$plugin' -q export '$work/quiet.wmv' --pattern 300 --size 640x480 \
    && '$paktool' build -q --launcher '$launcher' --output '$work/setup' -y '$work/large.txt'")
  check "--quiet says nothing: $said" test -z "$said"
  ;;
refusals)
  # A refused value names what is accepted.
  expect 1 "bad value for --rate: 1001 \(frames per second, above 0 and up to 1000" export "$work/a.wmv" --pattern 3 --rate 1001
  expect 1 "bad value for --size: 0x3 \(WIDTHxHEIGHT, each 1 to 16384\)" export "$work/a.wmv" --pattern 3 --size 0x3
  expect 1 "frames: --every needs a whole number, 1 or more" frames "$work/a.wmv" --from 0 --to 3 --every x -o "$work"
  has "$("$paktool" list --offset 4G "$work/a.wmv" 2>&1)" "bad offset '4G' \(a number from 0 to 2147483647" "paktool"
  # A profile far below what the picture needs gets a note, not one it suits.
  expect 0 "note: .*/low.wmv holds [0-9]+ kbit/s, [0-9.]+ times the 28.8 kbit/s profile 3 aims for: 640x480" \
    export "$work/low.wmv" --pattern 60 --size 640x480 --profile 3
  expect 0 "^wrote .*high.wmv[^ ]*: 60 frames of 320x240 at 30.000 frames/s, profile 12$" \
    export "$work/high.wmv" --pattern 60 --profile 12
  check "a profile that suits the picture gets no note: $said" test -z "$(printf '%s\n' "$said" | grep note)"
  ;;
*)
  echo "unknown group $group"
  exit 2
  ;;
esac
finish
