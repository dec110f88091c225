/* Reading the archive appended to the launcher: entry headers and the searches that
 * find an entry by a piece of its name or by its complete header.
 *
 * Every operation works on the one file handle the program opened on its own file
 * and moves that handle's position. Results are Booleans or the handle; nothing is
 * shown to the user here. */
#ifndef QV_LAUNCHER_PAK_ARCHIVE_H
#define QV_LAUNCHER_PAK_ARCHIVE_H

#include "win32.h"
#include "pak_string.h"

#include <stdint.h>

/* The in-memory form of an entry header. Copies share the name. */
struct TPakFileHeader {
  PakString Name;  /* the stored name up to its first zero byte */
  uint8_t Flags = 0;
  uint32_t FileDate = 0;  /* DOS date in the high word, time in the low word */
  int32_t UnpackedSize = 0;
  int32_t PackedSize = 0;
};

/* The archive's absolute offset in the file; 0 until set. */
void SetPakOffset(int32_t offset);

HFILE OpenPak(const char *path);
bool ClosePak(HFILE file);

/* Reads the entry header at the current position. Fixed fields that the file ends
 * before keep their previous values; a name the file ends before reads as empty. */
bool ReadPakHeader(HFILE file, TPakFileHeader &header);
void ClearPakHeader(TPakFileHeader &header);
bool SamePakHeader(const TPakFileHeader &a, const TPakFileHeader &b);

/* The first entry whose name contains `name`; on success the file stands at the
 * entry's data. The header is written only on success. */
bool FindPakFile(HFILE file, const char *name, TPakFileHeader &header);
/* The first entry equal to `header`; on success the file stands at its data. */
bool SeekPakHeader(HFILE file, const TPakFileHeader &header);

#endif
