#!/usr/bin/env bash
# paktool as a person uses it: help and missing arguments, the archive found at each
# build's offset, extract's folder, the setup marked executable, the launchers build
# refuses without writing anything, and the files build and extract replace only when
# told to.
#   paktool_test.sh PAKTOOL UNPACKRUN PAK_OFFSETS_TXT
set -uo pipefail
paktool=$1 unpackrun=$2 offsets_file=$3
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
umask 022
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

# Runs paktool; its exit status goes to $status, its output to $work/out and $work/err.
pak() {
  "$paktool" "$@" >"$work/out" 2>"$work/err"
  status=$?
}
# expect STATUS TEXT FILE: the last run ended with STATUS and FILE holds TEXT.
expect() {
  [ "$status" -eq "$1" ] || fail "paktool ended with $status, not $1: $(cat "$work/err")"
  grep -qF -- "$2" "$work/$3" || fail "expected '$2' in $3: $(cat "$work/out" "$work/err")"
}

printf 'the setup program\n' >"$work/runsetup.exe"

# Help goes to stdout with status 0; a missing argument is named, without the usage.
for help in --help "build --help" "list -h"; do
  pak $help
  expect 0 "usage:" out
done
pak build --output "$work/o" "$work/runsetup.exe"
expect 2 "missing --launcher FILE" err
pak build --launcher "$unpackrun" "$work/runsetup.exe"
expect 2 "missing --output FILE" err
pak build --launcher "$unpackrun" --output "$work/o"
expect 2 "missing the files to store" err
pak extract --dir "$work/x"
expect 2 "missing SETUP" err
pak list --offset
expect 2 "--offset needs a number N" err
pak unpack "$work/o"
expect 2 "unknown command 'unpack'" err
if grep -q "usage:" "$work/err"; then fail "a missing argument printed the whole usage"; fi

# At each build's offset (a stand-in image of that size, and the real launcher): build
# takes the image's size as the offset, list and extract find it and say which it was.
while read -r build offset; do
  case $build in '#'* | '') continue ;; esac
  { printf 'MZ'; head -c $((offset - 2)) /dev/zero; } >"$work/$build.launcher"
  pak build --launcher "$work/$build.launcher" --output "$work/$build.setup" "$work/runsetup.exe"
  expect 0 "archive at $offset" out
  pak list "$work/$build.setup"
  expect 0 "archive at offset $offset, the $build launcher's" out
  grep -q ' runsetup.exe$' "$work/out" || fail "$build: the listing lacks the entry: $(cat "$work/out")"
done <"$offsets_file"
pak build --launcher "$unpackrun" --output "$work/setup" "$work/runsetup.exe=c:\\disk1\\runsetup.exe"
expect 0 "archive at $(stat -c %s "$unpackrun")" out
[ "$(stat -c %a "$work/setup")" = 755 ] || fail "the setup is mode $(stat -c %a "$work/setup"), not executable"
pak extract --dir "$work/new/deeper" "$work/setup"
expect 0 "archive at offset $(stat -c %s "$unpackrun")" out
cmp -s "$work/runsetup.exe" "$work/new/deeper/runsetup.exe" || fail "extract --dir did not create the folder and file"
pak extract --offset 3 --dir "$work/y" "$work/setup"
expect 1 "no archive at offset 3" err
pak list "$unpackrun"
expect 1 "holds no archive at any build's offset" err
head -c -20 "$work/setup" >"$work/cut"
pak list "$work/cut"
expect 1 "runs past the end of the file" err

# Launchers that are not one are refused with the reason, and nothing is written; so
# is an output that would overwrite an input.
: >"$work/empty"
printf 'echo hello\n' >"$work/script.txt"
{ printf 'MZ'; head -c 30000 /dev/zero; } >"$work/odd.exe"
refuse() {
  local reason=$1
  shift
  rm -f "$work/refused"
  pak build --output "$work/refused" "$@" "$work/runsetup.exe"
  expect 1 "$reason" err
  [ ! -e "$work/refused" ] || fail "a refused build wrote $work/refused"
}
refuse "'$work/empty' as the launcher: the file is empty" --launcher "$work/empty"
refuse "it is not a program" --launcher "$work/script.txt"
refuse "it is a setup already (an archive starts at $(stat -c %s "$unpackrun"))" --launcher "$work/setup"
refuse "larger than its archive offset 4096" --launcher "$unpackrun" --offset 4096
refuse "30002 bytes, but a launcher is padded to its build's archive offset" --launcher "$work/odd.exe"
cp "$unpackrun" "$work/launcher.copy"
pak build --launcher "$work/launcher.copy" --output "$work/launcher.copy" "$work/runsetup.exe"
expect 2 "is also an input" err
cmp -s "$unpackrun" "$work/launcher.copy" || fail "build wrote over its own launcher"

# build replaces no existing file without --force (-y), and with it replaces the file
# whole or not at all: a write cut short (a file size limit) leaves the old setup.
printf 'keep me\n' >"$work/taken"
pak build --launcher "$unpackrun" --output "$work/taken" "$work/runsetup.exe=c:\\disk1\\runsetup.exe"
expect 2 "'$work/taken' exists; add --force (-y) to replace it" err
[ "$(cat "$work/taken")" = "keep me" ] || fail "a refused build changed the existing file"
pak build -y --launcher "$unpackrun" --output "$work/taken" "$work/runsetup.exe=c:\\disk1\\runsetup.exe"
expect 0 "archive at" out
cmp -s "$work/setup" "$work/taken" || fail "build -y did not replace the file with the setup"
[ "$(stat -c %a "$work/taken")" = 755 ] || fail "the replaced setup is mode $(stat -c %a "$work/taken")"
# (A coverage build's counters, written at exit under the same limit, go to the work folder.)
(ulimit -f 16 && trap '' XFSZ && GCOV_PREFIX="$work/counters" exec "$paktool" build --force \
  --launcher "$unpackrun" --output "$work/taken" "$work/odd.exe") >"$work/out" 2>"$work/err"
status=$?
expect 1 "cannot write '$work/taken'" err
cmp -s "$work/setup" "$work/taken" || fail "a failed build damaged the setup it was to replace"
[ -z "$(ls "$work" | grep -F 'taken.')" ] || fail "a failed build left $(ls "$work" | grep -F 'taken.')"

# extract checks every name before it writes one: a file already there refuses the
# whole extract; --force replaces it.
printf 'first\n' >"$work/first.txt"
pak build --launcher "$unpackrun" --output "$work/two" "$work/first.txt" "$work/runsetup.exe"
mkdir "$work/ex" && printf 'old\n' >"$work/ex/runsetup.exe"
pak extract --dir "$work/ex" "$work/two"
expect 2 "'$work/ex/runsetup.exe' exists; add --force (-y) to replace it" err
[ ! -e "$work/ex/first.txt" ] || fail "a refused extract wrote first.txt"
[ "$(cat "$work/ex/runsetup.exe")" = old ] || fail "a refused extract changed runsetup.exe"
pak extract --force --dir "$work/ex" "$work/two"
expect 0 "runsetup.exe (" out
cmp -s "$work/first.txt" "$work/ex/first.txt" && cmp -s "$work/runsetup.exe" "$work/ex/runsetup.exe" ||
  fail "extract --force did not write both files"

# Not even --force writes over an input, however it is named: a hard link to a file
# going into the setup, or a setup holding an entry of its own name in its own folder.
ln "$work/runsetup.exe" "$work/linked.exe"
pak build --force --launcher "$unpackrun" --output "$work/linked.exe" "$work/runsetup.exe"
expect 2 "is also an input ('$work/runsetup.exe')" err
[ "$(cat "$work/linked.exe")" = "the setup program" ] || fail "build --force wrote over one of its inputs"
pak build --launcher "$unpackrun" --output "$work/ex/runsetup.exe" -y "$work/first.txt" "$work/runsetup.exe"
cp "$work/ex/runsetup.exe" "$work/self.copy"
pak extract -y --dir "$work/ex" "$work/ex/runsetup.exe"
expect 2 "the output '$work/ex/runsetup.exe' is also an input" err
cmp -s "$work/self.copy" "$work/ex/runsetup.exe" || fail "extract --force wrote over the setup it reads"

if [ $failures -eq 0 ]; then echo "paktool: ok"; fi
exit $((failures > 0))
