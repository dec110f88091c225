// libFuzzer target over the import of damaged files: each input is a .wmv file (the
// seeds are small clips FFmpeg's command-line tool makes), asked for its format and
// then read frame by frame through the plug-in, as a host does, on the FFmpeg-backed
// media runtime.
//
// What must hold: no read or write outside a block, in the plug-in or the runtime; a
// format request hands over a whole record; every frame request reported as done
// leaves a 24-bit packed DIB holding all the rows its header promises, of the size
// the record announced; and once the transfer ends and the block is freed, no memory
// block of the plug-in is left.
//
// The file's size picks the pixel format the runtime decodes into (24, 32, 16 or 8
// bits), so that every conversion of the frames meets damaged pictures.
#include "fuzz_check.h"
#include "qpl/entry_points.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <unistd.h>

namespace {

// Frame requests per file: the first frames one after another, then one past the
// end, then the first again (a seek backwards).
constexpr LONG kFramesInOrder = 6;
constexpr LONG kPastTheEnd = 5;

std::string g_file;

void WriteFile(const uint8_t *data, size_t size) {
  FILE *f = fopen(g_file.c_str(), "wb");
  if (!f) abort();
  if (size) fwrite(data, 1, size, f);
  fclose(f);
}

// The record of a format request, which the host then owns and frees.
bool FormatOf(HGLOBAL block, HostFormat *record) {
  if (!piLocalLoadData(0, block, 0, g_file.c_str())) return false;
  HGLOBAL copy = piLocalGetData(0, block);
  FUZZ_CHECK(copy && GlobalSize(copy) >= sizeof(HostFormat));
  memcpy(record, GlobalLock(copy), sizeof(HostFormat));
  GlobalUnlock(copy);
  GlobalFree(copy);
  return true;
}

// The frame a request left: a whole 24-bit packed DIB of the record's size.
void CheckFrame(HGLOBAL block, const HostFormat *record) {
  HGLOBAL frame = piLocalGetData(0, block);
  FUZZ_CHECK(frame != nullptr);
  SIZE_T size = GlobalSize(frame);
  FUZZ_CHECK(size >= sizeof(BITMAPINFOHEADER));
  const BYTE *bytes = static_cast<const BYTE *>(GlobalLock(frame));
  BITMAPINFOHEADER header;
  memcpy(&header, bytes, sizeof header);
  GlobalUnlock(frame);
  FUZZ_CHECK(header.biSize == sizeof(BITMAPINFOHEADER) && header.biBitCount == 24);
  FUZZ_CHECK(header.biWidth >= 0 && header.biHeight >= 0);
  ULONGLONG stride = (ULONGLONG(header.biWidth) * 3 + 3) & ~3ull;
  FUZZ_CHECK(size >= sizeof(BITMAPINFOHEADER) + stride * ULONGLONG(header.biHeight));
  if (record) FUZZ_CHECK(header.biWidth == record->bitmap.biWidth && header.biHeight == record->bitmap.biHeight);
}

void RequestFrame(HGLOBAL block, LONG position, const HostFormat *record) {
  piLocalLength(0, block, position);
  if (piLocalLoadData(0, block, 1, g_file.c_str())) CheckFrame(block, record);
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int *, char ***) {
  char pattern[] = "/dev/shm/qv-import-fuzz.XXXXXX";
  char fallback[] = "/tmp/qv-import-fuzz.XXXXXX";
  const char *dir = mkdtemp(pattern);
  if (!dir) dir = mkdtemp(fallback);
  if (!dir) abort();
  g_file = std::string(dir) + "/input.wmv";
  setenv("QV_WIN32_REGISTRY", (std::string(dir) + "/user.reg").c_str(), 1);
  // A runtime that goes silent on a damaged file costs this much per request.
  setenv("QV_IMPORT_TIMEOUT_MS", "3000", 0);
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  static const char *const kOutputs[] = {"rgb24", "rgb32", "rgb555", "rgb8"};
  setenv("QV_WMF_VIDEO_OUTPUT", kOutputs[size % 4], 1);
  WriteFile(data, size);
  LONG blocksBefore = Win32GlobalBlockCount();

  HGLOBAL block = piLocalInit(0, 0);
  FUZZ_CHECK(block != nullptr);
  HostFormat record = {};
  bool described = FormatOf(block, &record);
  LONG frames = described && record.frameCount < kFramesInOrder ? record.frameCount : kFramesInOrder;
  if (frames < 1) frames = 1;
  for (LONG position = 0; position < frames; ++position) RequestFrame(block, position, described ? &record : nullptr);
  RequestFrame(block, frames + kPastTheEnd, described ? &record : nullptr);
  RequestFrame(block, 0, described ? &record : nullptr);
  piLocalProcessDataEnd(0, block);
  piLocalDone(0, block);
  FUZZ_CHECK(Win32GlobalBlockCount() == blocksBefore);
  return 0;
}
