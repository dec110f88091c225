// libFuzzer target over the export as a host drives it: any host format record, any
// piLocalSetData length, saves, positions and transfer ends in any order, against the
// scripted runtime of the export tests (which may refuse any step of the writer's
// setup or its samples).
//
// What must hold: nothing is read outside what the host handed in; a save reported as
// done wrote exactly one sample, holding the host's bytes, stamped at a time that is
// not negative, into an input declared as what it holds (a frame: RGB24 of the
// frame's size; sound: PCM at an accepted rate); a save reported as failed wrote
// nothing; every runtime object and memory block is released once the host has ended
// the transfer and freed the block.
//
// Input: one byte of runtime failures, one byte choosing the selected profile's
// streams, then operations, each an opcode byte and its operands.
#include "fake_runtime.h"
#include "fuzz_check.h"
#include "qpl/entry_points.h"

#include <climits>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

// Bytes the fuzzer's host hands over with a length (larger lengths are taken modulo
// it) and, without one, as a whole frame: small, so that runs stay fast.
constexpr LONG kLargestPiece = 1 << 16;
constexpr LONGLONG kLargestFrame = 16 * kLargestPiece;
constexpr size_t kMostOperations = 64;
constexpr char kOutputName[] = "fuzz-output.wmv";

class Input {
 public:
  Input(const uint8_t *data, size_t size) : data_(data), size_(size) {}
  bool empty() const { return used_ >= size_; }
  uint8_t Byte() { return used_ < size_ ? data_[used_++] : 0; }
  LONG Long() {
    uint32_t value = 0;
    for (int i = 0; i < 4; ++i) value |= uint32_t(Byte()) << (8 * i);
    return LONG(value);
  }
  // `count` bytes, zeros past the end of the input.
  std::vector<BYTE> Bytes(size_t count) {
    std::vector<BYTE> bytes(count, 0);
    for (size_t i = 0; i < count; ++i) bytes[i] = Byte();
    return bytes;
  }

 private:
  const uint8_t *data_;
  size_t size_;
  size_t used_ = 0;
};

void ScriptRuntime(uint8_t failures, uint8_t streams) {
  fake::Reset();
  fake::Runtime &runtime = fake::Get();
  if (failures & 0x01) runtime.createManager = E_FAIL;
  if (failures & 0x02) runtime.offerManager2 = false;
  if (failures & 0x04) runtime.createWriter = E_FAIL;
  if (failures & 0x08) runtime.setOutputFilename = E_FAIL;
  if (failures & 0x10) runtime.beginWriting = E_FAIL;
  if (failures & 0x20) runtime.allocateSample = E_OUTOFMEMORY;
  if (failures & 0x40) runtime.failGetInputProps = true;
  if (failures & 0x80) runtime.noInputs = true;
  // Whatever profile the selection names gets these streams.
  fake::Profile profile = fake::VideoAudioProfile("Chosen");
  switch (streams % 6) {
    case 1: profile = fake::AudioProfile("Chosen"); break;
    case 2: profile.streams = {WMMEDIATYPE_Video}; break;
    case 3: profile.failLoad = true; break;
    case 4: profile.failName = true; break;
    case 5: profile.streams = {WMMEDIATYPE_Video, WMMEDIATYPE_Audio}; break;
    default: break;
  }
  for (fake::Profile &each : runtime.profiles) each = profile;
}

// The packed DIB a record describes: its header and the rows its width and height
// give, whatever image size it names (LLONG_MAX when far too large for the fuzzer's
// host to hand over).
LONGLONG FrameBytes(const HostFormat &record) {
  const BITMAPINFOHEADER &bitmap = record.bitmap;
  if (bitmap.biWidth <= 0 || bitmap.biHeight <= 0) return 0;
  if (bitmap.biWidth > kLargestPiece || bitmap.biHeight > kLargestPiece) return LLONG_MAX;
  LONGLONG stride = (LONGLONG(bitmap.biWidth) * 3 + 3) & ~LONGLONG(3);
  return LONGLONG(sizeof(BITMAPINFOHEADER)) + stride * bitmap.biHeight;
}

struct Host {
  HGLOBAL block = nullptr;
  std::vector<BYTE> piece;      // what piLocalSetData names, alive until the next one
  bool pieceNamed = false;      // the block's data names `piece`
  LONG pieceLength = 0;         // the length given with it
  LONGLONG largestFrame = 0;    // over every record handed in
};

void NameNoData(Host &host) {
  piLocalSetData(0, host.block, nullptr, 0, 0, 0);
  host.pieceNamed = false;
  host.pieceLength = 0;
}

void SetFormat(Host &host, Input &in) {
  std::vector<BYTE> record = in.Bytes(sizeof(DWORD));
  DWORD flags;
  memcpy(&flags, record.data(), sizeof flags);
  // A short-form host hands over exactly the 76 bytes it has.
  size_t size = (flags & kHostFormatLongForm) ? kHostFormatLongSize : kHostFormatShortSize;
  std::vector<BYTE> rest = in.Bytes(size - sizeof(DWORD));
  record.insert(record.end(), rest.begin(), rest.end());
  HostFormat seen = {};
  memcpy(&seen, record.data(), record.size());
  // Every audio save asks the runtime for a sample of the audio buffer size, which
  // the scripted runtime really allocates: the fuzzer's hosts keep it small.
  seen.audioBufferSize %= kLargestFrame;
  memcpy(record.data() + offsetof(HostFormat, audioBufferSize), &seen.audioBufferSize, sizeof(DWORD));
  LONGLONG frame = FrameBytes(seen);
  if (frame > host.largestFrame) host.largestFrame = frame;
  piLocalSetFormat(0, host.block, record.data());
  // Data named without a length is a whole frame of the record: a host whose frames
  // grow names new ones (or none, when the fuzzer's host cannot make them).
  if (host.pieceNamed && host.pieceLength <= 0 && LONGLONG(host.piece.size()) < host.largestFrame) {
    NameNoData(host);
  }
}

void SetData(Host &host, Input &in) {
  LONG length = in.Long();
  uint8_t how = in.Byte();
  if (length > kLargestPiece) length %= kLargestPiece;
  // A length of 0 or less says nothing of the size: the host then hands over a whole
  // frame of the largest record it described.
  LONGLONG bytes = length > 0 ? length : host.largestFrame;
  if (bytes > kLargestFrame) {
    NameNoData(host);
    return;
  }
  host.piece.assign(size_t(bytes), 0);
  for (size_t i = 0; i < host.piece.size(); ++i) host.piece[i] = BYTE(i * 7 + how);
  bool null = how & 1;
  piLocalSetData(0, host.block, null ? nullptr : host.piece.data(), length, 0, 0);
  host.pieceNamed = !null;
  host.pieceLength = length;
}

// The writer's last declaration of `input` as media of the kind `major`, or null.
const fake::DeclaredInput *Declared(DWORD input, const GUID &major) {
  const fake::DeclaredInput *found = nullptr;
  for (const fake::DeclaredInput &each : fake::Get().declared)
    if (each.input == input && IsEqualGUID(each.type.majortype, major)) found = &each;
  return found;
}

// A frame goes to an input declared as RGB24 frames of its own size (or of size 0,
// declared so when sound came first, before any frame had settled the image size).
void CheckVideoInput(const fake::WrittenSample &sample) {
  const fake::DeclaredInput *video = Declared(sample.input, WMMEDIATYPE_Video);
  FUZZ_CHECK(video && IsEqualGUID(video->type.subtype, WMMEDIASUBTYPE_RGB24));
  FUZZ_CHECK(video->type.lSampleSize == sample.bytes.size() || video->type.lSampleSize == 0);
  FUZZ_CHECK(video->format.size() >= sizeof(VIDEOINFOHEADER));
  VIDEOINFOHEADER declared;
  memcpy(&declared, video->format.data(), sizeof declared);
  FUZZ_CHECK(declared.bmiHeader.biBitCount == 24 && declared.bmiHeader.biCompression == BI_RGB);
}

// Sound declared to the writer is PCM at a rate the export accepts.
void CheckAudioInput(const fake::WrittenSample &sample) {
  const fake::DeclaredInput *audio = Declared(sample.input, WMMEDIATYPE_Audio);
  if (!audio) return;
  FUZZ_CHECK(IsEqualGUID(audio->type.subtype, WMMEDIASUBTYPE_PCM) && audio->format.size() >= sizeof(WAVEFORMATEX));
  WAVEFORMATEX wave;
  memcpy(&wave, audio->format.data(), sizeof wave);
  FUZZ_CHECK(wave.nSamplesPerSec == 11025 || wave.nSamplesPerSec == 22050 || wave.nSamplesPerSec == 44100);
  FUZZ_CHECK(wave.nBlockAlign != 0);
}

void Save(Host &host, Input &in) {
  uint8_t how = in.Byte();
  LONG kind = LONG(how % 4) - 1;
  LPCSTR name = (how & 0x80) ? nullptr : kOutputName;
  fake::Runtime &runtime = fake::Get();
  size_t before = runtime.written.size();
  BOOL saved = piLocalSaveData(0, host.block, kind, name);
  if (!saved || kind == 0) {
    FUZZ_CHECK(runtime.written.size() == before);
    return;
  }
  FUZZ_CHECK(runtime.written.size() == before + 1);
  const fake::WrittenSample &sample = runtime.written.back();
  FUZZ_CHECK(LONGLONG(sample.time) >= 0);
  size_t length = sample.bytes.size();
  FUZZ_CHECK(length == 0 || host.pieceNamed);
  if (kind == 1) {
    // The frame's rows follow its 40-byte header.
    FUZZ_CHECK(sizeof(BITMAPINFOHEADER) + length <= host.piece.size());
    FUZZ_CHECK(length == 0 ||
              memcmp(sample.bytes.data(), host.piece.data() + sizeof(BITMAPINFOHEADER), length) == 0);
    CheckVideoInput(sample);
  } else {
    FUZZ_CHECK(LONG(length) == host.pieceLength);
    FUZZ_CHECK(length == 0 || memcmp(sample.bytes.data(), host.piece.data(), length) == 0);
    CheckAudioInput(sample);
  }
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int *, char ***) {
  // A registry of the fuzzer's own: the chosen profile is what the runtime scripts.
  static char registry[] = "/tmp/qv-save-fuzz.XXXXXX";
  if (!mkdtemp(registry)) abort();
  setenv("QV_WIN32_REGISTRY", (std::string(registry) + "/user.reg").c_str(), 1);
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  Input in(data, size);
  uint8_t failures = in.Byte();
  ScriptRuntime(failures, in.Byte());
  LONG blocksBefore = Win32GlobalBlockCount();

  Host host;
  host.block = piLocalInit(0, 0);
  FUZZ_CHECK(host.block != nullptr);
  for (size_t done = 0; done < kMostOperations && !in.empty(); ++done) {
    switch (in.Byte() % 8) {
      case 0: SetFormat(host, in); break;
      case 1: SetData(host, in); break;
      case 2:
      case 3: Save(host, in); break;
      case 4: piLocalLength(0, host.block, in.Long()); break;
      case 5: piLocalProcessDataStart(0, host.block); break;
      case 6: piLocalProcessDataEnd(0, host.block); break;
      case 7: fake::Get().allocateSample = (in.Byte() & 1) ? E_OUTOFMEMORY : S_OK; break;
    }
  }
  piLocalProcessDataEnd(0, host.block);
  piLocalDone(0, host.block);
  FUZZ_CHECK(fake::Get().live == 0);
  FUZZ_CHECK(Win32GlobalBlockCount() == blocksBefore);
  return 0;
}
