/* The instance block: every per-instance value of the plug-in, in one fixed global
 * memory block whose handle the host holds. The import's reader callback writes into
 * it through its address while a fetch is under way, so the block never moves. */
#ifndef QV_PLUGIN_INSTANCE_BLOCK_H
#define QV_PLUGIN_INSTANCE_BLOCK_H

#include <stddef.h>
#include <stdint.h>

#include "qpl/entry_points.h"
#include "win32.h"

struct IWMReader;
struct IWMReaderCallback;
struct IWMWriter;
struct IWMProfileManager;
struct IWMProfile;
struct IWMInputMediaProps;

using qpl::kOutputKindSlots;

/* What an open export keeps besides the runtime's objects. A block carries one
 * transfer at a time, so this shares its bytes with the import's output kind table. */
struct ExportFile {
  HGLOBAL name;  // the output file's wide name: removed when the transfer fails
  LONG failed;   // 1 once a piece or the file's end could not be written
};

struct InstanceBlock {
  DWORD flags;                          // 0x45070003 | mode bits
  const BYTE *data;                     // host data for the next save: packed DIB or audio bytes
  LONG dataSize;                        // bytes at data
  HGLOBAL result;                       // what piLocalGetData hands out; 0 = none
  IWMReader *reader;                    // import
  IWMReaderCallback *readerCallback;    // import
  IWMWriter *writer;                    // export
  IWMProfileManager *profileManager;    // export
  IWMProfile *profile;                  // export
  IWMInputMediaProps *videoInput;       // export
  IWMInputMediaProps *audioInput;       // export
  LONG videoInputNumber;                // -1 = none
  LONG audioInputNumber;                // -1 = none
  LONG requestedPosition;               // -1 = none
  LONG videoFrameCounter;               // export: next video frame
  LONG audioSampleCounter;              // export: next audio sample position
  LONG lastGoodPosition;                // import
  LONG endOfStream;                     // import: 1 once the reader reported the file's end
  LONG transferOpen;                    // 1 while a reader is open or a writer is set up
  union {
    LONG outputKinds[kOutputKindSlots]; // import: 1 first video, 2 + k k-th audio, 0 other
    ExportFile exportFile;              // export, while its transfer is open
  };
  DWORD wantedOutput;                   // import: 0xFFFFFFFF once a sample was taken
  HGLOBAL frameBitmap;                  // import: last decoded frame, the plug-in's own
  HostFormat format;                    // the media's format
};

enum : DWORD {
  kInstanceFlagsBase = 0x45070003,
  kNoWantedOutput = 0xFFFFFFFF,
};

// Where a host may look for the output kind table, on every build.
static_assert(offsetof(InstanceBlock, outputKinds) == qpl::kOutputKindTableOffset, "layout");
static_assert(sizeof(InstanceBlock::outputKinds) == qpl::kOutputKindSlots * sizeof(LONG), "layout");

/* With 32-bit addresses (the shipped build) the block is exactly the 468 bytes the
 * host expects. 64-bit builds keep the order but widen the addresses. */
#if UINTPTR_MAX == 0xFFFFFFFFu
static_assert(sizeof(InstanceBlock) == 468, "instance block is 468 bytes");
static_assert(offsetof(InstanceBlock, data) == 4, "layout");
static_assert(offsetof(InstanceBlock, dataSize) == 8, "layout");
static_assert(offsetof(InstanceBlock, result) == 12, "layout");
static_assert(offsetof(InstanceBlock, reader) == 16, "layout");
static_assert(offsetof(InstanceBlock, readerCallback) == 20, "layout");
static_assert(offsetof(InstanceBlock, writer) == 24, "layout");
static_assert(offsetof(InstanceBlock, profileManager) == 28, "layout");
static_assert(offsetof(InstanceBlock, profile) == 32, "layout");
static_assert(offsetof(InstanceBlock, videoInput) == 36, "layout");
static_assert(offsetof(InstanceBlock, audioInput) == 40, "layout");
static_assert(offsetof(InstanceBlock, videoInputNumber) == 44, "layout");
static_assert(offsetof(InstanceBlock, audioInputNumber) == 48, "layout");
static_assert(offsetof(InstanceBlock, requestedPosition) == 52, "layout");
static_assert(offsetof(InstanceBlock, videoFrameCounter) == 56, "layout");
static_assert(offsetof(InstanceBlock, audioSampleCounter) == 60, "layout");
static_assert(offsetof(InstanceBlock, lastGoodPosition) == 64, "layout");
static_assert(offsetof(InstanceBlock, endOfStream) == 68, "layout");
static_assert(offsetof(InstanceBlock, transferOpen) == 72, "layout");
static_assert(offsetof(InstanceBlock, outputKinds) == 76, "layout");
static_assert(offsetof(InstanceBlock, exportFile) == 76, "layout");
static_assert(offsetof(InstanceBlock, wantedOutput) == 332, "layout");
static_assert(offsetof(InstanceBlock, frameBitmap) == 336, "layout");
static_assert(offsetof(InstanceBlock, format) == 340, "layout");
#endif

#endif
