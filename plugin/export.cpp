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
  DWORD imageSize = block->format.bitmap.biSizeImage;
  // A host that gives the packed DIB's size must give all of it.
  if (block->dataSize < 0 || (block->dataSize > 0 && static_cast<DWORD>(block->dataSize) < kBitmapHeaderSize + imageSize))
    return false;
  piece->bytes = block->data + kBitmapHeaderSize;
  piece->size = imageSize;
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

BOOL OpenTransfer(InstanceBlock *block, LPCSTR fileName) {
  WCHAR wideName[MAX_PATH];
  if (!fileName || MultiByteToWideChar(CP_ACP, 0, fileName, -1, wideName, MAX_PATH) <= 0) return FALSE;
  block->transferOpen = SetUpWriter(block, wideName) ? 1 : 0;
  return block->transferOpen;
}

// Copies the piece into a new sample of at least `sampleSize` bytes and writes it.
bool WritePiece(InstanceBlock *block, LONG input, LONGLONG time, DWORD sampleSize, const Piece &piece) {
  INSSBuffer *sample = nullptr;
  if (block->writer->AllocateSample(sampleSize, &sample) != S_OK || !sample) {
    if (sample) sample->Release();
    return false;
  }
  BYTE *buffer = nullptr;
  DWORD length = 0;
  sample->GetBufferAndLength(&buffer, &length);
  if (!buffer && piece.size) {
    sample->Release();
    return false;
  }
  if (piece.size) memcpy(buffer, piece.bytes, piece.size);
  sample->SetLength(piece.size);
  block->writer->WriteSample(static_cast<DWORD>(input), static_cast<QWORD>(time), 0, sample);
  sample->Release();
  return true;
}

}  // namespace

BOOL ExportSetFormat(InstanceBlock *block, const BYTE *record) {
  if (!record) return FALSE;
  TakeHostFormat(&block->format, record);
  return AcceptableExportFormat(block->format);
}

BOOL ExportSaveData(InstanceBlock *block, LONG kind, LPCSTR fileName) {
  if (kind == 0) return TRUE;
  // One transfer at a time: an open import is left alone and nothing is written.
  if (block->reader || block->readerCallback || (block->transferOpen && !block->writer)) return FALSE;

  bool video = kind == 1;
  Piece piece;
  if (!(video ? TakeVideoPiece(block, &piece) : TakeAudioPiece(block, &piece))) return FALSE;
  LONG *counter = video ? &block->videoFrameCounter : &block->audioSampleCounter;
  TakeRequestedPosition(block, counter);

  if (!block->transferOpen && !OpenTransfer(block, fileName)) return FALSE;
  LONG input = video ? block->videoInputNumber : block->audioInputNumber;
  if (input < 0) return FALSE;

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

void ExportEnd(InstanceBlock *block) {
  if (block->writer) {
    block->writer->Flush();
    block->writer->EndWriting();
    block->transferOpen = 0;
  }
  // The profile, inputs and writer go first, the profile manager last.
  ReleaseExportObjects(block);
}
