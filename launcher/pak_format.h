/* The byte layout of the archive appended to the launcher: numbers shared by the
 * launcher that reads it and the writer that builds it. */
#ifndef QV_LAUNCHER_PAK_FORMAT_H
#define QV_LAUNCHER_PAK_FORMAT_H

#include <stdint.h>

enum : uint32_t {
  kPakVersion = 256,           /* the version word at the archive's start */
  kPakFixedHeaderSize = 13,    /* Flags, FileDate, UnpackedSize, PackedSize */
  kPakMaxNameLength = 255,
  kPakFlagCompressed = 0x01,

  kPakBlockSize = 16384,       /* output bytes of every block but the last */
  kPakHistorySize = 4100,      /* output kept from earlier blocks for matches */
  kPakWindowSize = kPakHistorySize + kPakBlockSize,
  kPakInputSize = 22000,       /* the largest block content the launcher reads */

  kPakMinMatch = 3,
  kPakMaxMatch = 18,
  kPakMinDistance = 3,
  kPakMaxDistance = 4098,
};

#endif
