// Media import: the file's format (kind 0) and the frame at the requested position
// (kind 1), through the runtime's asynchronous reader.
#include "import.h"

#include <string.h>

#include "import_format.h"
#include "reader_callback.h"
#include "wmf.h"

namespace {

const int kNameChars = 260;  // MAX_PATH wide characters with the terminating zero
const float kPlaybackRate = 1.0f;
const LONGLONG kLastFrameSearch = 10000000;  // 1 s: the stretch searched first for the last picture

/* The host's ANSI path as the runtime takes it; false for a null name or one that
 * does not fit. */
bool ConvertName(LPCSTR name, WCHAR *wide) {
  if (!name) return false;
  return MultiByteToWideChar(CP_ACP, 0, name, -1, wide, kNameChars) != 0;
}

HGLOBAL CopyOfRecord(const HostFormat &format) {
  HGLOBAL copy = GlobalAlloc(GMEM_DDESHARE | GMEM_ZEROINIT, sizeof(HostFormat));
  if (!copy) return 0;
  void *bytes = GlobalLock(copy);
  if (!bytes) {
    GlobalFree(copy);
    return 0;
  }
  memcpy(bytes, &format, sizeof(format));
  GlobalUnlock(copy);
  return copy;
}

ReaderCallback *CallbackOf(InstanceBlock *block) {
  return static_cast<ReaderCallback *>(block->readerCallback);
}

/* Closes and releases the transfer's reader and ends its callback. Close returns
 * once the runtime can no longer call back, so the callback goes after it. */
void DropTransfer(InstanceBlock *block) {
  if (IWMReader *reader = block->reader) {
    reader->Close();
    reader->Release();
    block->reader = nullptr;
    block->transferOpen = 0;
  }
  if (ReaderCallback *callback = CallbackOf(block)) {
    callback->Destroy();
    block->readerCallback = nullptr;
  }
}

void FreeFrameBitmap(InstanceBlock *block) {
  if (!block->frameBitmap) return;
  if (block->result == block->frameBitmap) block->result = 0;  // never hand out a freed block
  GlobalFree(block->frameBitmap);
  block->frameBitmap = 0;
}

/* Kind 0: the file's format into the record, and a copy of it for the host. While an
 * import is open its record and output kinds stay as they are (its frames depend on
 * them): the other file is described in a scratch block and only the copy shows it. */
BOOL ReadInformation(InstanceBlock *block, LPCSTR fileName) {
  if (!fileName) {
    HGLOBAL copy = CopyOfRecord(block->format);
    if (!copy) return 0;
    block->result = copy;
    return 1;
  }
  InstanceBlock scratch;
  memset(&scratch, 0, sizeof(scratch));
  InstanceBlock *described = block->transferOpen || block->reader ? &scratch : block;
  WCHAR name[kNameChars];
  if (!ConvertName(fileName, name)) return 0;

  IWMReader *reader = nullptr;
  if (WMCreateReaderPriv(&reader) != S_OK || !reader) return 0;
  ReaderCallback *callback = ReaderCallback::Create();
  if (!callback) {
    reader->Release();
    return 0;
  }
  BOOL result = 0;
  if (reader->Open(name, callback, nullptr) == S_OK) {
    // A file the runtime cannot describe leaves a zero record and fails.
    if (callback->WaitForEvent() && ReadFileFormat(reader, described, nullptr)) {
      HGLOBAL copy = CopyOfRecord(described->format);
      if (copy) {
        block->result = copy;
        result = 1;
      }
    }
    reader->Close();
  }
  reader->Release();
  callback->Destroy();
  return result;
}

/* The first frame request of a transfer: the reader, its callback and the file's
 * format. Whatever a failed opening created is released again. */
bool OpenTransfer(InstanceBlock *block, LPCSTR fileName) {
  FreeFrameBitmap(block);
  WCHAR name[kNameChars];
  if (!ConvertName(fileName, name)) return false;

  IWMReader *reader = nullptr;
  if (WMCreateReaderPriv(&reader) != S_OK || !reader) return false;
  ReaderCallback *callback = ReaderCallback::Create();
  if (!callback) {
    reader->Release();
    return false;
  }
  block->reader = reader;
  block->readerCallback = callback;
  if (reader->Open(name, callback, nullptr) != S_OK) {
    DropTransfer(block);
    return false;
  }
  block->transferOpen = 1;
  if (!callback->WaitForEvent() || !ReadFileFormat(reader, block, &callback->source())) {
    DropTransfer(block);
    return false;
  }
  return true;
}

/* The first output of `kind`, looking no further than the reader's outputs and the
 * kind table; kNoWantedOutput when there is none. */
DWORD FindOutput(InstanceBlock *block, LONG kind) {
  DWORD outputs = 0;
  if (block->reader->GetOutputCount(&outputs) != S_OK || outputs > (DWORD)kOutputKindSlots)
    outputs = kOutputKindSlots;
  for (DWORD output = 0; output < outputs; ++output)
    if (block->outputKinds[output] == kind) return output;
  return kNoWantedOutput;
}

enum class Pass { kStartRefused, kEnded, kSilent };

/* Plays from `time` until the callback stops the reader or the file ends. */
Pass RunPass(InstanceBlock *block, LONGLONG time) {
  ReaderCallback *callback = CallbackOf(block);
  callback->DiscardEvents();
  if (block->reader->Start((QWORD)time, 0, kPlaybackRate, block) != S_OK) return Pass::kStartRefused;
  return callback->WaitForEvent() ? Pass::kEnded : Pass::kSilent;
}

/* A reader that stopped answering cannot be trusted with later requests. */
BOOL GiveUpOnSilentReader(InstanceBlock *block) {
  StoreWantedOutput(block, kNoWantedOutput);
  DropTransfer(block);
  block->result = 0;
  return 0;
}

/* The file's last picture, for a request that ran past it: what reading frame after
 * frame shows there, never the first frame. Sound may run on after the picture, so
 * the file's length does not tell where it is: plays from a little before the
 * position (or the file's end) to the end, keeping every picture, and reaches
 * further back while a stretch holds none. The last good position stays as it is. */
BOOL FetchLastFrame(InstanceBlock *block, DWORD wanted, LONG position) {
  ReaderCallback *callback = CallbackOf(block);
  const LONG frames = block->format.frameCount;
  const LONGLONG end = FrameTimeOf(frames > 0 && frames < position ? frames : position, kImportFrameRate);
  for (LONGLONG back = kLastFrameSearch;; back *= 2) {
    const LONGLONG from = end > back ? end - back : 0;
    StoreWantedOutput(block, wanted);
    StoreShared(&block->endOfStream, 0);
    callback->KeepEveryFrame(true);
    Pass pass = RunPass(block, from);
    callback->KeepEveryFrame(false);
    if (pass == Pass::kSilent) return GiveUpOnSilentReader(block);
    StoreWantedOutput(block, kNoWantedOutput);
    if (block->result) return 1;
    if (pass == Pass::kStartRefused || from == 0) return 0;
  }
}

/* Kind 1: the frame at the requested position into the frame bitmap. */
BOOL FetchFrame(InstanceBlock *block, LPCSTR fileName) {
  if (!block->transferOpen && !OpenTransfer(block, fileName)) return 0;
  if (!block->reader || !block->readerCallback) return 0;

  DWORD wanted = FindOutput(block, kOutputKindVideo);
  if (wanted == kNoWantedOutput) return 0;
  // No position set (-1) or a negative one: the first frame.
  LONG position = block->requestedPosition < 0 ? 0 : block->requestedPosition;

  StoreWantedOutput(block, wanted);
  StoreShared(&block->endOfStream, 0);
  Pass pass = RunPass(block, FrameTimeOf(position, kImportFrameRate));
  if (pass == Pass::kSilent) return GiveUpOnSilentReader(block);
  if (block->result) {
    block->lastGoodPosition = position;
    return 1;
  }
  if (!LoadShared(&block->endOfStream)) return 0;
  // The file ended before the position: its last picture stays on show.
  return FetchLastFrame(block, wanted, position);
}

}  // namespace

BOOL ImportLoadData(InstanceBlock *block, LONG kind, LPCSTR fileName) {
  // Before anything, refused requests too: the last result may be a copy the host has
  // freed since, and no request may leave it to be handed out again.
  block->result = 0;
  // An open export keeps its record and its file's account, which share the bytes
  // the import fills; audio and anything else is not served as a picture. Both are
  // refused with nothing else touched.
  if (block->writer || (kind != qpl::kTransferFormat && kind != qpl::kTransferVideo)) return 0;
  return kind == qpl::kTransferFormat ? ReadInformation(block, fileName) : FetchFrame(block, fileName);
}

void ImportEnd(InstanceBlock *block) {
  DropTransfer(block);
  FreeFrameBitmap(block);
}
