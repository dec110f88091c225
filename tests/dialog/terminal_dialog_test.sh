#!/bin/sh
# terminal_dialog_test.sh WORK QVHOST ARGS...
# qvhost configure's profile dialog on a pseudo-terminal (util-linux script), as a
# person meets it: the caption, texts and buttons of the dialog, the saved choice
# preselected (and marked by profiles only once saved), a number the list lacks refused with the positions it has, and Esc
# that cancels at once, without Enter.
work=$1
shift
rm -rf "$work" && mkdir -p "$work" || exit 1
export QV_WIN32_REGISTRY="$work/user.reg"
screen=$work/screen.txt
fail() { echo "terminal_dialog_test: $*"; cat "$screen"; exit 1; }

# Nothing saved yet: no entry is marked as the saved choice.
"$@" profiles >"$screen" 2>&1 || fail "qvhost profiles failed"
grep -q "^no choice saved" "$screen" && ! grep -q "^\*" "$screen" || fail "profiles marks a choice none saved"
QV_DIALOG_SCRIPT=select:2,ok "$@" configure | grep -q "profile 2 saved" || fail "the script could not save profile 2"

# Keys go in once the prompt has shown them to be read.
prompts() {
  count=$(grep -c "Esc cancels: " "$screen" 2>/dev/null)
  echo "${count:-0}"
}
wait_for_prompt() {
  tries=0
  while [ "$(prompts)" -lt "$1" ]; do
    tries=$((tries + 1))
    [ $tries -gt 600 ] && return 1
    sleep 0.1
  done
}
command=$(printf "'%s' " "$@")
{
  wait_for_prompt 1 && printf '99\r'
  wait_for_prompt 2 && printf '\033'
  # Had Esc not ended the dialog, these would select entry 1 and press OK.
  sleep 2
  printf '1\r\r'
} | script -q -e -c "$command configure" /dev/null >"$screen" 2>&1
status=$?
[ $status -eq 0 ] || fail "qvhost configure ended with status $status"
tr -d '\r' <"$screen" >"$screen.lf" && mv "$screen.lf" "$screen"
for seen in "  Windows Media Configuration" "  Select profile:" \
  "  Windows Media files are encoded and decoded by the" \
  "  Windows Media Format runtime of Microsoft Corporation." "  \[ OK \]  \[ Cancel \]" \
  "  \*   2  " "There is no entry 99: the list has positions 0 to [0-9]+\." \
  "cancelled; the saved profile stays 2"; do
  grep -Eq "^$seen" "$screen" || fail "the screen lacks: $seen"
done
grep -q "saved$" "$screen" && fail "Esc did not cancel at once"
echo "terminal_dialog_test: ok"
