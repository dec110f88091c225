// The writer: inputs from the profile, encoders per input while writing.
#include "writer.h"

#include <new>

#include "encode_audio.h"
#include "encode_video.h"
#include "sample_buffer.h"
#include "writer_formats.h"
#include "writer_input.h"
#include "file_path.h"

namespace wmf {

namespace {
constexpr QWORD kLatestSampleTime = 40ull * 24 * 3600 * 10000000;  // 40 days
}  // namespace

Writer *Writer::Create() { return new (std::nothrow) Writer(); }

Writer::Writer() = default;

Writer::~Writer() {
  // Nothing written is lost: a writer released while writing still ends its file.
  if (writing_) FinishLocked();
}

HRESULT Writer::SetProfileByID(REFGUID) { return E_NOTIMPL; }

HRESULT Writer::SetProfile(IWMProfile *profile) {
  if (!profile) return E_POINTER;
  std::lock_guard<std::mutex> hold(lock_);
  if (writing_) return NS_E_INVALID_REQUEST;

  DWORD count = 0;
  HRESULT hr = profile->GetStreamCount(&count);
  if (FAILED(hr)) return hr;
  if (count == 0 || count > 63) return NS_E_INVALID_OUTPUT_FORMAT;
  std::vector<Input> inputs(count);
  for (DWORD i = 0; i < count; ++i) {
    ComPtr<IWMStreamConfig> config;
    hr = profile->GetStream(i, config.Put());
    if (FAILED(hr)) return hr;
    if (!config) return E_UNEXPECTED;
    GUID type{};
    hr = config->GetStreamType(&type);
    if (SUCCEEDED(hr)) hr = config->GetBitrate(&inputs[i].bitrate);
    if (FAILED(hr)) return hr;
    // This runtime encodes sound and pictures only.
    if (type == WMMEDIATYPE_Video) {
      inputs[i].video = true;
      inputs[i].format = DefaultVideoInput();
      inputs[i].connection = u"Video";
    } else if (type == WMMEDIATYPE_Audio) {
      inputs[i].format = DefaultAudioInput();
      inputs[i].connection = u"Audio";
    } else {
      return NS_E_INVALID_OUTPUT_FORMAT;
    }
  }
  inputs_ = std::move(inputs);
  configured_ = true;
  return S_OK;
}

HRESULT Writer::SetOutputFilename(const WCHAR *name) {
  if (!name) return E_POINTER;
  std::string path;
  if (!Utf8PathOf(name, &path)) return E_INVALIDARG;
  std::lock_guard<std::mutex> hold(lock_);
  if (writing_) return NS_E_INVALID_REQUEST;
  outputName_ = name;
  return S_OK;
}

HRESULT Writer::GetInputCount(DWORD *count) {
  if (!count) return E_POINTER;
  std::lock_guard<std::mutex> hold(lock_);
  if (!configured_) {
    *count = 0;
    return NS_E_INVALID_REQUEST;
  }
  *count = static_cast<DWORD>(inputs_.size());
  return S_OK;
}

HRESULT Writer::GetInputProps(DWORD input, IWMInputMediaProps **props) {
  if (!props) return E_POINTER;
  *props = nullptr;
  std::lock_guard<std::mutex> hold(lock_);
  if (input >= inputs_.size()) return E_INVALIDARG;
  *props = InputProps::Create(inputs_[input].format, inputs_[input].connection);
  return *props ? S_OK : E_OUTOFMEMORY;
}

HRESULT Writer::SetInputProps(DWORD input, IWMInputMediaProps *props) {
  if (!props) return E_POINTER;
  // The caller's object may be any IWMInputMediaProps: ask it for its type in two
  // steps, as the platform documents.
  DWORD size = 0;
  HRESULT hr = props->GetMediaType(nullptr, &size);
  if (FAILED(hr)) return hr;
  if (size < sizeof(WM_MEDIA_TYPE) || size > (1u << 20)) return NS_E_INVALID_INPUT_FORMAT;
  std::vector<BYTE> block(size);
  auto *type = reinterpret_cast<WM_MEDIA_TYPE *>(block.data());
  hr = props->GetMediaType(type, &size);
  if (FAILED(hr)) return hr;
  const MediaType format(*type);

  std::lock_guard<std::mutex> hold(lock_);
  if (writing_) return NS_E_INVALID_REQUEST;
  if (input >= inputs_.size()) return E_INVALIDARG;
  Input &target = inputs_[input];
  hr = target.video ? CheckVideoInput(format) : CheckAudioInput(format);
  if (FAILED(hr)) return hr;
  target.format = format;
  return S_OK;
}

HRESULT Writer::GetInputFormatCount(DWORD input, DWORD *count) {
  if (!count) return E_POINTER;
  std::lock_guard<std::mutex> hold(lock_);
  if (input >= inputs_.size()) return E_INVALIDARG;
  *count = 1;
  return S_OK;
}

HRESULT Writer::GetInputFormat(DWORD input, DWORD format, IWMInputMediaProps **props) {
  if (!props) return E_POINTER;
  *props = nullptr;
  std::lock_guard<std::mutex> hold(lock_);
  if (input >= inputs_.size() || format != 0) return E_INVALIDARG;
  const Input &source = inputs_[input];
  *props = InputProps::Create(source.video ? DefaultVideoInput() : DefaultAudioInput(), source.connection);
  return *props ? S_OK : E_OUTOFMEMORY;
}

HRESULT Writer::BeginWriting() {
  std::lock_guard<std::mutex> hold(lock_);
  if (writing_) return NS_E_INVALID_REQUEST;
  if (!configured_ || outputName_.empty()) return NS_E_NOT_CONFIGURED;
  std::string path;
  if (!Utf8PathOf(outputName_.c_str(), &path)) return E_INVALIDARG;

  auto file = std::make_unique<AsfFile>();
  HRESULT hr = file->Create(path);
  for (size_t i = 0; SUCCEEDED(hr) && i < inputs_.size(); ++i) {
    Input &input = inputs_[i];
    if (input.video) {
      input.videoEncoder = std::make_unique<VideoEncoder>();
      hr = input.videoEncoder->Open(*input.format.VideoInfo(), input.bitrate, *file);
    } else {
      input.audioEncoder = std::make_unique<AudioEncoder>();
      hr = input.audioEncoder->Open(*input.format.WaveFormat(), input.bitrate, *file);
    }
  }
  if (SUCCEEDED(hr)) hr = file->WriteHeader();
  if (SUCCEEDED(hr)) hr = queue_.Start([this](const EncodeQueue::Piece &piece) { return Encode(piece); });
  if (FAILED(hr)) {
    DropEncoders();
    return hr;  // the file, if made, goes with its object
  }
  file_ = std::move(file);
  writing_ = true;
  failure_ = S_OK;
  return S_OK;
}

HRESULT Writer::AllocateSample(DWORD size, INSSBuffer **sample) {
  if (!sample) return E_POINTER;
  *sample = samples_.Take(size);
  return *sample ? S_OK : E_OUTOFMEMORY;
}

HRESULT Writer::WriteSample(DWORD input, QWORD time, DWORD flags, INSSBuffer *sample) {
  if (!sample) return E_POINTER;
  std::lock_guard<std::mutex> hold(lock_);
  if (!writing_) return NS_E_INVALID_REQUEST;
  if (input >= inputs_.size()) return E_INVALIDARG;
  if (FAILED(failure_)) return FailedBefore();
  BYTE *data = nullptr;
  DWORD length = 0;
  HRESULT hr = sample->GetBufferAndLength(&data, &length);
  if (FAILED(hr)) return hr;
  if (!data && length) return E_INVALIDARG;

  // ASF keeps times as 32-bit milliseconds: a time past what it can hold is refused
  // before it reaches the file, which then carries on.
  if (time > kLatestSampleTime) return E_INVALIDARG;

  // A short frame is refused and leaves the stream as it was.
  const Input &target = inputs_[input];
  if (target.video && length < target.videoEncoder->ImageSize()) return E_INVALIDARG;
  hr = queue_.Add({input, time, (flags & WM_SF_CLEANPOINT) != 0, sample, data, length});
  if (FAILED(hr)) failure_ = hr;
  return hr;
}

// On the worker thread; the encoders and the file are the worker's while it runs.
HRESULT Writer::Encode(const EncodeQueue::Piece &piece) {
  Input &target = inputs_[piece.input];
  if (target.video)
    return target.videoEncoder->Encode(piece.data, piece.length, piece.time, piece.keyFrame, *file_);
  return target.audioEncoder->Encode(piece.data, piece.length, piece.time, *file_);
}

HRESULT Writer::Flush() {
  std::lock_guard<std::mutex> hold(lock_);
  if (!writing_) return NS_E_INVALID_REQUEST;
  if (FAILED(failure_)) return FailedBefore();
  // A file that could not take what was written stays failed for EndWriting too.
  HRESULT hr = queue_.Drain();
  if (SUCCEEDED(hr)) hr = file_->Flush();
  if (FAILED(hr)) failure_ = hr;
  return hr;
}

HRESULT Writer::EndWriting() {
  std::lock_guard<std::mutex> hold(lock_);
  if (!writing_) return NS_E_INVALID_REQUEST;
  return FinishLocked();
}

HRESULT Writer::FinishLocked() {
  HRESULT hr = queue_.Stop();
  if (FAILED(failure_)) hr = failure_;
  for (Input &input : inputs_) {
    HRESULT ended = input.video ? input.videoEncoder->Finish(*file_) : input.audioEncoder->Finish(*file_);
    if (SUCCEEDED(hr)) hr = ended;
  }
  HRESULT finished = file_->Finish();
  if (SUCCEEDED(hr)) hr = finished;
  DropEncoders();
  file_.reset();
  writing_ = false;
  return hr;
}

// A failure already met answers again, with the system error the worker met, if any.
HRESULT Writer::FailedBefore() {
  queue_.Drain();
  return failure_;
}

void Writer::DropEncoders() {
  for (Input &input : inputs_) {
    input.videoEncoder.reset();
    input.audioEncoder.reset();
  }
}

}  // namespace wmf

extern "C" DECLSPEC_EXPORT HRESULT WINAPI WMCreateWriterPriv(IWMWriter **writer) {
  if (!writer) return E_POINTER;
  *writer = wmf::Writer::Create();
  return *writer ? S_OK : E_OUTOFMEMORY;
}
