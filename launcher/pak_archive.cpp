// The archive's entry list: a version word, then headers each followed by
// PackedSize bytes of data, ended by a header whose sizes are zero.
#include "pak_archive.h"
#include "pak_format.h"

#include <string.h>

namespace {

int32_t pak_offset = 0;

uint32_t LoadLe32(const uint8_t *p) {
  return (uint32_t)p[0] | (uint32_t)p[1] << 8 | (uint32_t)p[2] << 16 | (uint32_t)p[3] << 24;
}

void StoreLe32(uint8_t *p, uint32_t v) {
  p[0] = (uint8_t)v;
  p[1] = (uint8_t)(v >> 8);
  p[2] = (uint8_t)(v >> 16);
  p[3] = (uint8_t)(v >> 24);
}

// Positions the file at the first entry; false unless the version word is there.
bool SeekFirstEntry(HFILE file) {
  if (_llseek(file, pak_offset, FILE_BEGIN) == HFILE_ERROR) return false;
  uint8_t version[2] = {0, 0};
  if (_lread(file, version, 2) != 2) return false;
  return (version[0] | version[1] << 8) == kPakVersion;
}

// Moves past the data of the entry just read. A negative size would step back onto
// headers already read and never end, so the list is taken to end there.
bool SkipEntryData(HFILE file, const TPakFileHeader &header) {
  if (header.PackedSize < 0) return false;
  return _llseek(file, header.PackedSize, FILE_CURRENT) != HFILE_ERROR;
}

}  // namespace

void SetPakOffset(int32_t offset) { pak_offset = offset; }

HFILE OpenPak(const char *path) {
  OFSTRUCT scratch;
  return OpenFile(path, &scratch, OF_READ);
}

bool ClosePak(HFILE file) { return _lclose(file) >= 0; }

bool ReadPakHeader(HFILE file, TPakFileHeader &header) {
  char name[kPakMaxNameLength + 1];
  memset(name, 0, sizeof name);
  uint8_t length = 0;
  _lread(file, &length, 1);
  if (length > 0) _lread(file, name, length);

  // The fixed part is read over the current values, so that fields the file ends
  // before keep them.
  uint8_t fixed[kPakFixedHeaderSize];
  fixed[0] = header.Flags;
  StoreLe32(fixed + 1, header.FileDate);
  StoreLe32(fixed + 5, (uint32_t)header.UnpackedSize);
  StoreLe32(fixed + 9, (uint32_t)header.PackedSize);
  _lread(file, fixed, sizeof fixed);
  header.Flags = fixed[0];
  header.FileDate = LoadLe32(fixed + 1);
  header.UnpackedSize = (int32_t)LoadLe32(fixed + 5);
  header.PackedSize = (int32_t)LoadLe32(fixed + 9);

  header.Name = PakString(name, strlen(name));
  return true;
}

void ClearPakHeader(TPakFileHeader &header) {
  header.Name.Clear();
  header.Flags = 0;
  header.FileDate = 0;
  header.UnpackedSize = 0;
  header.PackedSize = 0;
}

bool SamePakHeader(const TPakFileHeader &a, const TPakFileHeader &b) {
  return a.Name == b.Name && a.FileDate == b.FileDate && a.UnpackedSize == b.UnpackedSize &&
         a.PackedSize == b.PackedSize && a.Flags == b.Flags;
}

bool FindPakFile(HFILE file, const char *name, TPakFileHeader &header) {
  TPakFileHeader entry;
  if (!SeekFirstEntry(file)) return false;
  for (;;) {
    ReadPakHeader(file, entry);
    if (entry.PackedSize == 0) return false;
    if (entry.Name.Contains(name)) {
      header = entry;
      return true;
    }
    if (!SkipEntryData(file, entry)) return false;
    ClearPakHeader(entry);
  }
}

bool SeekPakHeader(HFILE file, const TPakFileHeader &header) {
  TPakFileHeader entry;
  if (!SeekFirstEntry(file)) return false;
  for (;;) {
    // Emptied before every read, so that the end of the file reads as the end of
    // the list instead of repeating the previous entry's sizes.
    ClearPakHeader(entry);
    ReadPakHeader(file, entry);
    if (entry.UnpackedSize == 0) return false;
    if (SamePakHeader(entry, header)) return true;
    if (!SkipEntryData(file, entry)) return false;
  }
}
