#!/usr/bin/env bash
# The shipped plug-in: a PE32 DLL whose export table carries the twenty entry points
# under their plain names, ordinals 1-20 in alphabetical order, base 1, named
# "quorvel.qpl"; and its version resource.
set -euo pipefail
cd "$(dirname "$0")/../.."
dll=${QV_WIN32_BUILD:-build/win32}/plugin/quorvel.qpl
sh tests/entry_points/check_exports.sh pe i686-w64-mingw32-objdump "$dll" pe32
# The version resource's strings are UTF-16 in the image: compare in hex.
image=$(od -An -tx1 -v "$dll" | tr -d ' \n')
# The string table's texts are UTF-16 too.
for text in quorvel quorvel.qpl 1.0.0.1 FileDescription InternalName OriginalFilename \
  "Windows Media Video (*.WMV)" "*.wmv"; do
  hex=$(printf '%s' "$text" | od -An -tx1 -v | tr -d ' \n' | sed 's/../&00/g')
  case $image in
  *"$hex"*) ;;
  *) echo "check-win32: $dll: resources lack \"$text\""; exit 1 ;;
  esac
done
echo "check-win32: $dll: resources ok"
