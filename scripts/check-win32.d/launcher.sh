#!/usr/bin/env bash
# Checks the shipped launcher: build/win32's unpackrun.exe is a PE32 GUI program whose
# file is exactly its archive offset long (the win32 line of launcher/pak_offsets.txt,
# which the build reads too), and a setup built around it holds the archive there.
set -uo pipefail
cd "$(dirname "$0")/../.."
exe=${QV_WIN32_BUILD:-build/win32}/launcher/unpackrun.exe
paktool=${QV_LINUX_BUILD:-build/linux}/tools/paktool
pak_offset=$(awk '$1 == "win32" { print $2 }' launcher/pak_offsets.txt)
objdump=i686-w64-mingw32-objdump
fail=0
say() { echo "check-win32 launcher: $*"; }
[ -n "$pak_offset" ] || { say "launcher/pak_offsets.txt has no win32 offset"; exit 1; }

if [ ! -f "$exe" ]; then say "$exe is missing"; exit 1; fi
file_info=$($objdump -f "$exe")
private_info=$($objdump -p "$exe")
sections=$($objdump -h "$exe")
grep -q 'file format pei-i386' <<<"$file_info" || { say "$exe is not a PE32 image"; fail=1; }
grep -q 'Subsystem.*(Windows GUI)' <<<"$private_info" || { say "$exe is not a GUI-subsystem program"; fail=1; }
# Resource type 14 (icon group) must hold the entry 100 (0x64), and type 3 its icon.
resources=$(sed -n '/The .rsrc Resource Directory section/,/^$/p' <<<"$private_info")
icon_group=$(awk '/Entry: ID: 0x00000e,/{group = 1; next} group && /Entry: ID:/{print $4; exit}' <<<"$resources")
[ "$icon_group" = "0x000064," ] || { say "$exe has no icon group 100"; fail=1; }
grep -q 'Entry: ID: 0x000003,' <<<"$resources" || { say "$exe has no icon image"; fail=1; }
size=$(stat -c %s "$exe")
[ "$size" -eq "$pak_offset" ] || { say "$exe is $size bytes, not its archive offset $pak_offset"; fail=1; }
# The last section's raw data must end within the padded image.
image_end=0
while read -r _ _ section_size _ _ file_offset _; do
  end=$((16#$file_offset + 16#$section_size))
  [ "$end" -gt "$image_end" ] && image_end=$end
done < <(grep -E '^ +[0-9]+ ' <<<"$sections")
[ "$image_end" -le "$pak_offset" ] || { say "sections end at $image_end, past $pak_offset"; fail=1; }

if [ -x "$paktool" ]; then
  work=$(mktemp -d)
  trap 'rm -rf "$work"' EXIT
  head -c 3000 /dev/urandom >"$work/runsetup.exe"
  if "$paktool" build --launcher "$exe" --output "$work/setup.exe" "$work/runsetup.exe=c:\\disk1\\runsetup.exe" >/dev/null; then
    version=$(od -An -tx1 -j "$pak_offset" -N 2 "$work/setup.exe" | tr -d ' ')
    [ "$version" = "0001" ] || { say "the setup's archive does not start at $pak_offset"; fail=1; }
    listing=$("$paktool" list --offset "$pak_offset" "$work/setup.exe")
    grep -q 'runsetup.exe' <<<"$listing" || { say "the setup's archive does not list"; fail=1; }
  else
    say "paktool could not build a setup around $exe"; fail=1
  fi
else
  say "$paktool not built; skipping the setup check"
fi
[ $fail -eq 0 ] && say "ok"
exit $fail
