// Extraction: find the entry again, decode block by block into the temporary file,
// then give the file its final name. Any fault (corrupt data, a short read, a file
// that cannot be created, written, closed or renamed) fails the whole extraction,
// so that the launcher never starts a stale or truncated program.
#include "pak_extract.h"
#include "pak_decoder.h"
#include "pak_memory.h"

#include <string.h>

const char kPakTempFileName[] = "$mvsetup.tmp";

namespace {

PakString pak_dest_dir;

// Reads the entry's blocks and writes their output; false on the first fault.
bool DecodeEntryInto(HFILE file, const TPakFileHeader &header, HANDLE out, uint8_t *input, uint8_t *window) {
  if (header.UnpackedSize <= 0 || header.PackedSize < 0) return false;
  PakEntryDecoder decoder;
  PakEntryDecoderStart(decoder, window, (uint32_t)header.UnpackedSize, header.Flags & kPakFlagCompressed);
  uint32_t packed_left = (uint32_t)header.PackedSize;
  while (!PakEntryDecoderDone(decoder)) {
    uint8_t length_bytes[2];
    if (packed_left < 2 || _lread(file, length_bytes, 2) != 2) return false;
    uint32_t length = length_bytes[0] | length_bytes[1] << 8;
    packed_left -= 2;
    if (length > kPakInputSize || length > packed_left || _lread(file, input, length) != length) return false;
    packed_left -= length;

    int32_t produced = PakEntryDecodeBlock(decoder, input, length);
    if (produced < 0) return false;
    DWORD written = 0;
    if (!WriteFile(out, PakEntryBlockOutput(decoder), (DWORD)produced, &written, nullptr) ||
        written != (DWORD)produced)
      return false;
  }
  return true;
}

}  // namespace

void SetPakDestDir(const char *directory) {
  if (!directory) {
    pak_dest_dir.Clear();
    return;
  }
  size_t length = strlen(directory);
  if (length > 0 && directory[length - 1] == '\\') {
    pak_dest_dir = PakString(directory, length);
    return;
  }
  char text[kPakMaxDestDirLength + 2];
  if (length > kPakMaxDestDirLength) length = kPakMaxDestDirLength;
  memcpy(text, directory, length);
  text[length] = '\\';
  pak_dest_dir = PakString(text, length + 1);
}

const char *PakDestDir() { return pak_dest_dir.c_str(); }
void ClearPakDestDir() { pak_dest_dir.Clear(); }

bool ExtractPakFile(HFILE file, TPakFileHeader header) {
  if (header.Name.empty()) return false;
  const char *file_name = PakFileNamePart(header.Name.c_str());
  if (!PakIsPlainFileName(file_name)) return false;
  if (!SeekPakHeader(file, header)) return false;

  uint8_t *input = static_cast<uint8_t *>(PakAlloc(kPakInputSize));
  uint8_t *window = static_cast<uint8_t *>(PakAlloc(kPakWindowSize));
  PakString temp_path = PakConcat(PakDestDir(), kPakTempFileName);
  PakString final_path = PakConcat(PakDestDir(), file_name);

  // A stale temporary file is removed and a new one made exclusively: whatever stands
  // under the name (a file, a planted link) is never opened or written through.
  bool ok = false;
  DeleteFileA(temp_path.c_str());
  HANDLE out = CreateFileA(temp_path.c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                           nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (out != INVALID_HANDLE_VALUE) {
    ok = DecodeEntryInto(file, header, out, input, window);
    ok = CloseHandle(out) && ok;
    ok = ok && MoveFileA(temp_path.c_str(), final_path.c_str());
    if (!ok) DeleteFileA(temp_path.c_str());
  }
  PakFree(window);
  PakFree(input);
  return ok;
}
