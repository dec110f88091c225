#!/bin/sh
# Checks what the plug-in library exports.
#   check_exports.sh pe <objdump> quorvel.qpl [pe32]   Windows DLL: the twenty names,
#       ordinals 1-20 in alphabetical order, ordinal base 1, library name
#       "quorvel.qpl"; with "pe32" also that the image is 32-bit (pei-i386).
#   check_exports.sh elf <nm> quorvel.qpl              Linux: the twenty names and
#       nothing else among the defined dynamic symbols.
set -eu
kind=$1 tool=$2 file=$3 bits=${4:-}
expected="piCount piDone piFlags piIcon piInit piLocalDlg piLocalDone piLocalFlags piLocalGetData
piLocalInit piLocalLength piLocalLoadData piLocalName piLocalProcessData piLocalProcessDataEnd
piLocalProcessDataStart piLocalSaveData piLocalSetData piLocalSetFormat piName"
expected=$(echo $expected | tr ' ' '\n')
fail() { echo "check_exports: $file: $*" >&2; exit 1; }
[ -f "$file" ] || fail "no such file"

case $kind in
pe)
  dump=$("$tool" -p "$file")
  if [ "$bits" = pe32 ]; then
    "$tool" -f "$file" | grep -q 'file format pei-i386' || fail "not a PE32 image"
  fi
  echo "$dump" | grep -Eq '^Name[[:space:]]+[0-9a-fA-F]+ quorvel\.qpl$' || fail "library name is not quorvel.qpl"
  echo "$dump" | grep -Eq '^Ordinal Base[[:space:]]+1$' || fail "ordinal base is not 1"
  # "[Ordinal/Name Pointer] Table" rows: "[   0] piCount" (ordinal = base + index);
  # newer objdumps print "[   1] +base[   2] ..." in another table, not this one.
  names=$(echo "$dump" | sed -n '/^\[Ordinal\/Name Pointer\] Table/,/^$/p' |
    sed -n 's/^[[:space:]]*\[[[:space:]]*\([0-9]*\)\][[:space:]]*\([A-Za-z_][A-Za-z0-9_@]*\)$/\1 \2/p')
  numbered=$(echo "$expected" | awk '{ print NR - 1, $0 }')
  [ "$names" = "$numbered" ] || fail "export names or ordinals differ:
$names"
  # The same routine behind piInit/piDone and behind piIcon/piLocalProcessData.
  rva() { echo "$dump" | sed -n '/^Export Address Table/,/^$/p' | sed -n "s/^[[:space:]]*\[[[:space:]]*$1\] +base\[[[:space:]]*[0-9]*\] \([0-9a-fA-F]*\) .*/\1/p"; }
  [ -n "$(rva 1)" ] && [ "$(rva 1)" = "$(rva 4)" ] || fail "piDone is not the piInit routine"
  [ -n "$(rva 3)" ] && [ "$(rva 3)" = "$(rva 13)" ] || fail "piLocalProcessData is not the piIcon routine"
  ;;
elf)
  names=$("$tool" -D --defined-only "$file" | awk 'NF == 3 { print $3 }' | sed 's/@.*//' | sort)
  [ "$names" = "$(echo "$expected" | sort)" ] || fail "exports differ from the twenty pi* names:
$names"
  address() { "$tool" -D --defined-only "$file" | awk -v n="$1" '$3 == n { print $1 }'; }
  [ "$(address piDone)" = "$(address piInit)" ] || fail "piDone is not the piInit routine"
  [ "$(address piLocalProcessData)" = "$(address piIcon)" ] || fail "piLocalProcessData is not the piIcon routine"
  ;;
*) fail "unknown kind $kind" ;;
esac
echo "check_exports: $file: ok"
