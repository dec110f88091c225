#!/bin/sh
# Writes the bitmap fuzzer's seeds into FOLDER, in its input form (see
# bitmap_fuzz.cpp): a header, the switch byte, the colour table, the pixels.
#   make-bitmap-seeds.sh FOLDER
set -eu
out=$1
mkdir -p "$out"
. "$(dirname "$0")/seed_bytes.sh"

# header WIDTH HEIGHT BITS COLOURS_USED
header() { u32 40; u32 $1; u32 $2; u16 1; u16 $3; u32 0; u32 0; u32 0; u32 0; u32 $4; u32 0; }
# bytes COUNT: counting bytes
bytes() { i=0; while [ $i -lt $1 ]; do byte $((i * 37 + 11)); i=$((i + 1)); done; }

{ header 5 3 8 4; byte 0; bytes 16; bytes 24; } > "$out/seed-8bit"
{ header 7 -2 16 0; byte 1; bytes 32; } > "$out/seed-16bit-top-down"
{ header 9 2 1 0; byte 0; bytes 8; bytes 8; } > "$out/seed-1bit"
{ header 3 3 32 0; byte 5; bytes 36; } > "$out/seed-32bit"
{ header 6 -3 24 0; byte 1; bytes 60; } > "$out/seed-24bit"
# No pixels in 2^31 - 1 rows: converting them must cost nothing.
{ header 0 -2147483647 8 0; byte 1; bytes 8; } > "$out/seed-zero-width"
