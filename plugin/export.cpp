// Media export: the host's format, then one video frame or audio chunk per call,
// each copied once into a writer sample and stamped from its counter.
#include "export.h"

#include "export_format.h"
#include "export_writer.h"
#include "wmf.h"

namespace {

constexpr DWORD kBitmapHeaderSize = sizeof(BITMAPINFOHEADER);

// The piece the host named with piLocalSetData, checked before anything is written:
// the bytes to copy and where they start.
struct Piece {
  const BYTE *bytes;
  DWORD size;
};

bool TakeVideoPiece(InstanceBlock *block, Piece *piece) {
  if (!SettleImageSize(&block->format) || block->format.frameRate <= 0 || !block->data) return false;
  // A host that gives the packed DIB's size must give all of its rows.
  DWORD rows = FrameRowsSize(block->format.bitmap);
  if (block->dataSize < 0 || (block->dataSize > 0 && static_cast<DWORD>(block->dataSize) < kBitmapHeaderSize + rows))
    return false;
  piece->bytes = block->data + kBitmapHeaderSize;
  piece->size = block->format.bitmap.biSizeImage;
  return true;
}

bool TakeAudioPiece(InstanceBlock *block, Piece *piece) {
  const HostWaveFormat &wave = block->format.wave;
  if (wave.nBlockAlign == 0 || wave.nSamplesPerSec == 0 || block->dataSize < 0) return false;
  if (block->dataSize > 0 && !block->data) return false;
  piece->bytes = block->data;
  piece->size = static_cast<DWORD>(block->dataSize);
  return true;
}

// A requested position restarts the counter of the kind that takes it.
void TakeRequestedPosition(InstanceBlock *block, LONG *counter) {
  if (block->requestedPosition < 0) return;
  *counter = block->requestedPosition;
  block->requestedPosition = -1;
}

// The output file's name, kept for the transfer end: a file that could not be
// written whole is removed then.
HGLOBAL CopyOfName(const WCHAR *name) {
  SIZE_T length = 0;
  while (name[length]) ++length;
  SIZE_T size = (length + 1) * sizeof(WCHAR);
  HGLOBAL copy = GlobalAlloc(GMEM_FIXED, size);
  if (!copy) return nullptr;
  memcpy(GlobalLock(copy), name, size);
  GlobalUnlock(copy);
  return copy;
}

BOOL OpenTransfer(InstanceBlock *block, LPCSTR fileName) {
  WCHAR wideName[MAX_PATH];
  if (!fileName || MultiByteToWideChar(CP_ACP, 0, fileName, -1, wideName, MAX_PATH) <= 0) return FALSE;
  HGLOBAL name = CopyOfName(wideName);
  if (!name) return FALSE;
  if (!SetUpWriter(block, wideName)) {
    GlobalFree(name);
    block->transferOpen = 0;
    return FALSE;
  }
  block->exportFile.name = name;
  block->exportFile.failed = 0;
  block->transferOpen = 1;
  return TRUE;
}

// Closes the file's account: removes the file when it is not whole, forgets its name.
void ForgetFile(InstanceBlock *block, bool whole) {
  HGLOBAL name = block->exportFile.name;
  if (name) {
    if (!whole) {
      DeleteFileW(static_cast<LPCWSTR>(GlobalLock(name)));
      GlobalUnlock(name);
    }
    GlobalFree(name);
  }
  memset(&block->exportFile, 0, sizeof(block->exportFile));
}

// Copies the piece into a new sample of at least `sampleSize` bytes and writes it.
// A piece the writer never received leaves the file whole; one it failed to write
// leaves it incomplete, and the transfer is marked failed.
bool WritePiece(InstanceBlock *block, LONG input, LONGLONG time, DWORD sampleSize, const Piece &piece) {
  INSSBuffer *sample = nullptr;
  if (block->writer->AllocateSample(sampleSize, &sample) != S_OK || !sample) {
    if (sample) sample->Release();
    return false;
  }
  BYTE *buffer = nullptr;
  DWORD length = 0;
  if (sample->GetBufferAndLength(&buffer, &length) != S_OK || (!buffer && piece.size)) {
    sample->Release();
    return false;
  }
  if (piece.size) memcpy(buffer, piece.bytes, piece.size);
  if (sample->SetLength(piece.size) != S_OK) {
    sample->Release();
    return false;
  }
  HRESULT written = block->writer->WriteSample(static_cast<DWORD>(input), static_cast<QWORD>(time), 0, sample);
  sample->Release();
  if (written != S_OK) block->exportFile.failed = 1;
  return written == S_OK;
}

}  // namespace

BOOL ExportSetFormat(InstanceBlock *block, const BYTE *record) {
  if (!record) return FALSE;
  if (!block->writer) {
    TakeHostFormat(&block->format, record);
    return AcceptableExportFormat(block->format);
  }
  // The open file keeps the record it was begun with unless the new one fits it.
  HostFormat next;
  TakeHostFormat(&next, record);
  if (!AcceptableExportFormat(next) || !KeepsWriterInputs(block->format, next)) return FALSE;
  block->format = next;
  return TRUE;
}

BOOL ExportSaveData(InstanceBlock *block, LONG kind, LPCSTR fileName) {
  if (kind == qpl::kTransferFormat) return TRUE;
  // One transfer at a time: an open import is left alone and nothing is written.
  if (block->reader || block->readerCallback || (block->transferOpen && !block->writer)) return FALSE;
  // A refused record stays in the block for the host to read, never to write from.
  if (!AcceptableExportFormat(block->format)) return FALSE;

  bool video = kind == qpl::kTransferVideo;
  Piece piece;
  if (!(video ? TakeVideoPiece(block, &piece) : TakeAudioPiece(block, &piece))) return FALSE;
  LONG *counter = video ? &block->videoFrameCounter : &block->audioSampleCounter;
  TakeRequestedPosition(block, counter);

  if (!block->transferOpen && !OpenTransfer(block, fileName)) return FALSE;
  // After a piece that could not be written the file has a gap: nothing more goes in.
  if (block->exportFile.failed) return FALSE;
  LONG input = video ? block->videoInputNumber : block->audioInputNumber;
  // A counter that ran past the largest position has no time to stamp.
  if (input < 0 || *counter < 0) return FALSE;

  const HostFormat &format = block->format;
  if (video) {
    // A frame whose time cannot be stamped fails; it is never written at a wrapped time.
    LONGLONG time = VideoFrameTime(*counter, format.frameRate);
    if (time < 0 || !WritePiece(block, input, time, piece.size, piece)) return FALSE;
    *counter = static_cast<LONG>(static_cast<DWORD>(*counter) + 1);
  } else {
    // A chunk larger than the audio buffer size gets a sample that holds all of it.
    DWORD sampleSize = format.audioBufferSize > piece.size ? format.audioBufferSize : piece.size;
    if (!WritePiece(block, input, AudioSampleTime(*counter, format.wave.nSamplesPerSec), sampleSize, piece))
      return FALSE;
    *counter = static_cast<LONG>(static_cast<DWORD>(*counter) + piece.size / format.wave.nBlockAlign);
  }
  return TRUE;
}

BOOL ExportEnd(InstanceBlock *block) {
  if (!block->writer) {
    ReleaseExportObjects(block);
    return TRUE;
  }
  // EndWriting runs even after a failed flush: it is what lets go of the file.
  bool flushed = block->writer->Flush() == S_OK;
  bool ended = block->writer->EndWriting() == S_OK;
  bool whole = flushed && ended && !block->exportFile.failed;
  block->transferOpen = 0;
  // The profile, inputs and writer go first, the profile manager last; the file can
  // be removed only once the writer has let it go.
  ReleaseExportObjects(block);
  ForgetFile(block, whole);
  return whole;
}
