#!/usr/bin/env bash
# End to end on Linux: builds a setup around the recorder program with paktool, runs
# the launcher with its Windows directory in a temporary folder, and checks the
# extracted file, the started program's arguments, the failure messages, and that a
# hostile setup or Windows directory never makes it write elsewhere.
#   launcher_e2e.sh PAKTOOL UNPACKRUN RECORDER
# QV_EMULATOR, when set, is the program that runs the launcher (qemu-user).
set -uo pipefail
paktool=$1 unpackrun=$2 recorder=$3
emulator=()
if [ -n "${QV_EMULATOR:-}" ]; then emulator=("$QV_EMULATOR"); fi
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

mkdir -p "$work/windows" "$work/setup disk"
setup="$work/setup disk/setup"
"$paktool" build --launcher "$unpackrun" --output "$setup" \
  "$recorder=c:\\mornavel\\disk1\\runsetup.exe" --tail "$unpackrun" >/dev/null || { echo "paktool failed"; exit 1; }
chmod 755 "$setup" "$work" "$work/setup disk"

# Runs a launcher; its messages (stderr) go to $work/messages, its exit code is checked.
# Further arguments come before the launcher on env's command line (settings, a wrapper).
run() {
  local launcher=$1
  shift
  rm -f "$work/record"
  env WINDIR="$work/windows" QV_RECORD="$work/record" "$@" "${emulator[@]}" "$launcher" 2>"$work/messages"
  local status=$?
  [ $status -eq 0 ] || fail "$launcher exited with $status"
}
wait_for_record() {
  for _ in $(seq 100); do
    grep -q '^cwd=' "$work/record" 2>/dev/null && return 0
    sleep 0.1
  done
  return 1
}

# A normal run over a stale copy: the stale copy is replaced, the program started.
printf 'stale' >"$work/windows/runsetup.exe"
run "$setup"
[ ! -s "$work/messages" ] || fail "unexpected message: $(cat "$work/messages")"
cmp -s "$recorder" "$work/windows/runsetup.exe" || fail "extracted bytes differ from the stored program"
[ ! -e "$work/windows/\$mvsetup.tmp" ] || fail "temporary file left behind"
if wait_for_record; then
  grep -qx 'argc=2' "$work/record" || fail "expected exactly one argument: $(cat "$work/record")"
  grep -qxF "arg=$setup" "$work/record" || fail "the launcher's quoted path did not arrive whole: $(cat "$work/record")"
  grep -qx 'cwd=/' "$work/record" || fail "current directory is not c:\\: $(cat "$work/record")"
else
  fail "the setup program was not started"
fi

# No archive after the image.
cp "$unpackrun" "$work/bare" && chmod 755 "$work/bare"
run "$work/bare"
grep -qxF '[Mornavel Setup] Unable to find setup program' "$work/messages" || fail "bare launcher: $(cat "$work/messages")"

# Corrupt data: a failed extraction, with nothing left behind and nothing started.
cp "$setup" "$work/corrupt"
size=$(stat -c %s "$unpackrun")
printf '\xff\xff\xff\xff\xff\xff\xff\xff' | dd of="$work/corrupt" bs=1 seek=$((size + 2 + 1 + 30 + 13 + 2)) conv=notrunc status=none
chmod 755 "$work/corrupt"
run "$work/corrupt"
grep -qxF '[Mornavel Setup] Unable to extract setup program' "$work/messages" || fail "corrupt archive: $(cat "$work/messages")"
[ ! -e "$work/windows/\$mvsetup.tmp" ] && [ ! -e "$work/windows/runsetup.exe" ] || fail "corrupt archive left files behind"
sleep 0.3
[ ! -e "$work/record" ] || fail "a program was started after a failed extraction"

# A program that cannot be replaced (here a folder in its place): no stale start.
mkdir -p "$work/windows/runsetup.exe/busy"
run "$setup"
grep -qxF '[Mornavel Setup] Unable to extract setup program' "$work/messages" || fail "blocked target: $(cat "$work/messages")"
[ ! -e "$work/windows/\$mvsetup.tmp" ] || fail "temporary file left behind after a failed rename"
rm -rf "$work/windows/runsetup.exe"

# Copies the setup to $2 and overwrites its stored name (which starts 3 bytes into the
# archive) with $3, of the same length.
with_name() {
  cp "$1" "$2" && chmod 755 "$2"
  printf '%s' "$3" | dd of="$2" bs=1 seek=$((size + 3)) conv=notrunc status=none
}
no_start() {
  sleep 0.3
  [ ! -e "$work/record" ] || fail "$1: a program was started"
}

# A stored name whose file-name part climbs out of the Windows directory.
mkdir -p "$work/esc"
"$paktool" build --launcher "$unpackrun" --output "$work/named" "$recorder=c:\\dist\\..\\esc\\runsetup.exe" >/dev/null
with_name "$work/named" "$work/escape" 'c:\dist\../esc/runsetup.exe'
run "$work/escape"
grep -qxF '[Mornavel Setup] Unable to extract setup program' "$work/messages" || fail "escaping name: $(cat "$work/messages")"
written=$(find "$work/esc" "$work/windows" -mindepth 1)
[ -z "$written" ] || fail "escaping name wrote: $written"
no_start "escaping name"

# A link planted under the temporary name is removed, never written through.
printf 'victim' >"$work/victim"
ln -s "$work/victim" "$work/windows/\$mvsetup.tmp"
run "$setup"
printf 'victim' | cmp -s - "$work/victim" || fail "the launcher wrote through a planted link"
cmp -s "$recorder" "$work/windows/runsetup.exe" || fail "planted link: the program was not extracted"
wait_for_record || fail "planted link: the setup program was not started"
rm -f "$work/windows/runsetup.exe"

# Without WINDIR the Windows directory is a private folder of the user, made only when
# there is something to extract into it.
rm -f "$work/record"
env -u WINDIR XDG_DATA_HOME="$work/data" "${emulator[@]}" "$work/bare" 2>/dev/null || fail "default directory: exit $?"
[ ! -e "$work/data" ] || fail "default directory: made by a run that extracted nothing"
env -u WINDIR XDG_DATA_HOME="$work/data" QV_RECORD="$work/record" "${emulator[@]}" "$setup" 2>"$work/messages" || fail "default directory: exit $?"
private="$work/data/quorvel-win32/windows"
cmp -s "$recorder" "$private/runsetup.exe" || fail "default directory: nothing extracted into $private"
[ "$(stat -c %a "$private")" = 700 ] || fail "default directory: $private is mode $(stat -c %a "$private")"
wait_for_record || fail "default directory: the setup program was not started"

# A Windows directory with a space in its path: the program is started by its whole
# path, never by the part before the space (here a planted program).
mkdir -p "$work/my win"
printf '#!/bin/sh\necho planted >"%s"\n' "$work/planted" >"$work/my" && chmod 755 "$work/my"
run "$setup" WINDIR="$work/my win"
[ ! -s "$work/messages" ] || fail "directory with a space: $(cat "$work/messages")"
wait_for_record && grep -qxF "arg=$setup" "$work/record" || fail "directory with a space: the setup program was not started"
[ ! -e "$work/planted" ] || fail "directory with a space: the program before the space was started"

# A relative WINDIR names the same folder for extracting and for starting, although the
# program starts in c:\.
mkdir -p "$work/rel/windows"
cd "$work/rel"
run "$setup" WINDIR=windows
cd - >/dev/null
[ ! -s "$work/messages" ] || fail "relative directory: $(cat "$work/messages")"
cmp -s "$recorder" "$work/rel/windows/runsetup.exe" || fail "relative directory: nothing extracted"
wait_for_record || fail "relative directory: the setup program was not started"

# Nothing that could be started: an entry merely containing the name, or a file that
# is not a program. The user is told; the exit code stays 0.
"$paktool" build --launcher "$unpackrun" --output "$work/txt" "$recorder=c:\\dist\\x\\runsetup.exe.txt" >/dev/null
chmod 755 "$work/txt"
printf 'not a program\n' >"$work/data.bin"
"$paktool" build --launcher "$unpackrun" --output "$work/noprog" "$work/data.bin=c:\\dist\\runsetup.exe" >/dev/null
chmod 755 "$work/noprog"
for unstartable in "$work/txt" "$work/noprog"; do
  run "$unstartable"
  grep -qxF '[Mornavel Setup] Unable to start setup program' "$work/messages" || fail "$unstartable: $(cat "$work/messages")"
  no_start "$unstartable"
  rm -f "$work/windows/"*
done

# A Windows directory the launcher cannot use whole, too long for its buffer or for the
# destination it keeps: nothing is written (a cut name gives a neighbouring folder, an
# unread one the root folder) and nothing is started.
for length in 257 300; do
  long="$work/long/$(printf 'd%.0s' $(seq 200))"
  long="$long/$(printf 'e%.0s' $(seq $((length - ${#long} - 1))))"
  mkdir -p "$long" "${long:0:255}"
  run "$setup" WINDIR="$long"
  grep -qxF '[Mornavel Setup] Unable to extract setup program' "$work/messages" || fail "$length-character directory: $(cat "$work/messages")"
  written=$(find "$work/long" -type f)
  [ -z "$written" ] || fail "$length-character directory: wrote $written"
  no_start "$length-character directory"
done

# The launcher cannot read its own file (execute permission only). Root reads any
# file, so the run drops to an unprivileged user when started as root. An emulator
# must read the program to run it, so this case needs the kernel to start it.
if [ ${#emulator[@]} -eq 0 ]; then
  cp "$setup" "$work/noread" && chmod 111 "$work/noread"
  chmod 777 "$work/windows"
  if [ "$(id -u)" -eq 0 ]; then
    run "$work/noread" setpriv --reuid=65534 --regid=65534 --clear-groups
  else
    run "$work/noread"
  fi
  grep -qxF '[Mornavel Setup] Unable to open archive' "$work/messages" || fail "unreadable launcher: $(cat "$work/messages")"
else
  echo "skipped under ${emulator[0]}: the launcher that cannot read its own file"
fi

if [ $failures -eq 0 ]; then echo "launcher end to end: ok"; fi
exit $((failures > 0))
