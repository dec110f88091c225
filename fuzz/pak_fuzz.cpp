// libFuzzer target over the archive reader and the block decoder. Each input is
// tried twice: as an archive (searched and extracted like the launcher does) and as
// one raw compressed block. Neither may read or write outside its buffers, hang, or
// leave the temporary file behind.
#include "win32.h"
#include "pak_archive.h"
#include "pak_decoder.h"
#include "pak_extract.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

struct Scratch {
  std::string dir, archive, temp, target;
  Scratch() {
    // Memory-backed when possible: every input is written as a file.
    char pattern[] = "/dev/shm/pak_fuzz.XXXXXX";
    char fallback[] = "/tmp/pak_fuzz.XXXXXX";
    char *made = mkdtemp(pattern);
    dir = made ? made : mkdtemp(fallback);
    archive = dir + "/archive";
    temp = dir + "/" + kPakTempFileName;
    target = dir + "/runsetup.exe";
  }
};

Scratch &Paths() {
  static Scratch scratch;
  return scratch;
}

void FuzzArchive(const uint8_t *data, size_t size) {
  Scratch &s = Paths();
  FILE *f = fopen(s.archive.c_str(), "wb");
  if (!f) abort();
  fwrite(data, 1, size, f);
  fclose(f);

  SetPakOffset(0);
  SetPakDestDir(s.dir.c_str());
  HFILE file = OpenPak(s.archive.c_str());
  if (file == HFILE_ERROR) abort();
  TPakFileHeader header;
  if (FindPakFile(file, "runsetup.exe", header)) {
    unlink(s.target.c_str());
    ExtractPakFile(file, header);
    if (access(s.temp.c_str(), F_OK) == 0) abort();  // a failed or finished extraction leaves no temp file
  }
  ClosePak(file);
}

void FuzzBlock(const uint8_t *data, size_t size) {
  if (size < 4) return;
  // The first bytes choose how much history stands before the block and how much
  // output is wanted; the window is exactly as large as the launcher's.
  uint32_t history = (data[0] | data[1] << 8) % (kPakHistorySize + 1);
  uint32_t want = (data[2] | data[3] << 8) % kPakBlockSize + 1;
  std::vector<uint8_t> window(kPakWindowSize);
  std::vector<uint8_t> content(data + 4, data + size);  // exact size, so overreads are caught
  PakDecodeBlock(content.data(), (uint32_t)content.size(), window.data() + kPakHistorySize, history, want);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  FuzzArchive(data, size);
  FuzzBlock(data, size);
  return 0;
}
