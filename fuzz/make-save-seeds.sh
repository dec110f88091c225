#!/bin/sh
# Writes the save fuzzer's seeds into FOLDER: exports as hosts drive them, in the
# fuzzer's input form (see save_fuzz.cpp), so that it starts from records the export
# accepts.
#   make-save-seeds.sh FOLDER
set -eu
out=$1
mkdir -p "$out"

. "$(dirname "$0")/seed_bytes.sh"

# record FLAGS WIDTH HEIGHT RATE [LONG]: a record of 32 x 24 frames at 30 frames/s
# and 44.1 kHz 16-bit stereo, 76 bytes (short form) or 128 (long form).
record() {
  u32 $1; u32 300; u32 $4                                   # flags, frames, rate
  u32 40; u32 $2; u32 $3; u16 1; u16 24; u32 0; u32 0       # BITMAPINFOHEADER ...
  u32 0; u32 0; u32 0; u32 0
  u32 441000; u16 1; u16 2; u32 44100; u32 176400; u16 4; u16 16; u32 17640
  if [ $(($1 & 0x04000000)) -ne 0 ]; then
    u32 1; u32 0; u32 1; i=0; while [ $i -lt 40 ]; do byte 0; i=$((i + 1)); done
  fi
}
set_format() { byte 0; record "$@"; }
set_data() { byte 1; u32 $1; byte 0; }   # LENGTH (0: a whole frame)
save_video() { byte 2; byte 2; }
save_audio() { byte 2; byte 3; }
position() { byte 4; u32 $1; }
end() { byte 6; }

# Video and sound, short form, then a second transfer.
{ byte 0; byte 0; set_format 3 32 24 30000
  set_data 0; save_video; save_video; set_data 17640; save_audio; set_data 0; save_video; end
  set_data 3112; save_video; save_video; end; } > "$out/seed-av"
# Video only, long form, from a position near the end of the frame numbers.
{ byte 0; byte 2; set_format $((0x04000001)) 32 24 25000 long
  position $((0x7ffffffe)); set_data 0; save_video; save_video; save_video; end; } > "$out/seed-long"
# The frame size changes while the export is open.
{ byte 0; byte 0; set_format 1 32 24 30000; set_data 0; save_video
  set_format 1 16 8 30000; set_data 0; save_video; set_format 1 64 24 30000; set_data 0; save_video; end; } > "$out/seed-resize"
# One frame per 1,000 s, late: a time past every stamp.
{ byte 0; byte 2; set_format 1 32 24 1; position $((0x7fff0000)); set_data 0; save_video; end; } > "$out/seed-slow-rate"
# Sound first: the writer is set up before any frame has settled the image size.
{ byte 0; byte 0; set_format 3 32 24 30000; set_data 0; save_audio; save_video; end; } > "$out/seed-sound-first"
