// Profiles: system profiles as loaded, and empty ones built stream by stream.
#include "profile.h"

#include <new>

#include "profile_text.h"

namespace wmf {

namespace {
// How far ahead a player buffers; the platform's profiles use a few seconds.
constexpr DWORD kBufferWindowMs = 5000;
}  // namespace

Profile *Profile::CreateEmpty(WMT_VERSION version) { return new (std::nothrow) Profile(version); }

Profile *Profile::CreateSystem(const SystemProfileEntry &entry, WMT_VERSION version) {
  Profile *profile = CreateEmpty(version);
  if (!profile) return nullptr;
  profile->name_ = entry.name;
  WORD number = 1;
  if (entry.audioBitrate) {
    StreamInfo audio;
    audio.type = WMMEDIATYPE_Audio;
    audio.number = number++;
    audio.bitrate = entry.audioBitrate;
    audio.bufferWindow = kBufferWindowMs;
    audio.name = u"Audio Stream";
    audio.connection = u"Audio";
    profile->streams_.push_back(audio);
  }
  if (entry.videoBitrate) {
    StreamInfo video;
    video.type = WMMEDIATYPE_Video;
    video.number = number++;
    video.bitrate = entry.videoBitrate;
    video.bufferWindow = kBufferWindowMs;
    video.name = u"Video Stream";
    video.connection = u"Video";
    profile->streams_.push_back(video);
  }
  return profile;
}

HRESULT Profile::GetVersion(WMT_VERSION *version) {
  if (!version) return E_POINTER;
  *version = version_;
  return S_OK;
}

HRESULT Profile::GetName(WCHAR *name, DWORD *length) {
  std::lock_guard<std::mutex> hold(lock_);
  return CopyText(name_, name, length);
}

HRESULT Profile::SetName(const WCHAR *name) {
  if (!name) return E_POINTER;
  std::lock_guard<std::mutex> hold(lock_);
  name_ = name;
  return S_OK;
}

HRESULT Profile::GetDescription(WCHAR *description, DWORD *length) {
  std::lock_guard<std::mutex> hold(lock_);
  return CopyText(description_, description, length);
}

HRESULT Profile::SetDescription(const WCHAR *description) {
  if (!description) return E_POINTER;
  std::lock_guard<std::mutex> hold(lock_);
  description_ = description;
  return S_OK;
}

HRESULT Profile::GetStreamCount(DWORD *count) {
  if (!count) return E_POINTER;
  std::lock_guard<std::mutex> hold(lock_);
  *count = static_cast<DWORD>(streams_.size());
  return S_OK;
}

HRESULT Profile::HandOut(const StreamInfo &info, IWMStreamConfig **config) {
  StreamConfig *copy = StreamConfig::Create(info);
  if (!copy) return E_OUTOFMEMORY;
  *config = copy;
  return S_OK;
}

int Profile::IndexOfNumber(WORD number) const {
  for (size_t i = 0; i < streams_.size(); ++i)
    if (streams_[i].number == number) return static_cast<int>(i);
  return -1;
}

HRESULT Profile::GetStream(DWORD index, IWMStreamConfig **config) {
  if (!config) return E_POINTER;
  *config = nullptr;
  std::lock_guard<std::mutex> hold(lock_);
  if (index >= streams_.size()) return E_INVALIDARG;
  return HandOut(streams_[index], config);
}

HRESULT Profile::GetStreamByNumber(WORD number, IWMStreamConfig **config) {
  if (!config) return E_POINTER;
  *config = nullptr;
  std::lock_guard<std::mutex> hold(lock_);
  int index = IndexOfNumber(number);
  if (index < 0) return NS_E_INVALID_REQUEST;
  return HandOut(streams_[index], config);
}

HRESULT Profile::RemoveStream(IWMStreamConfig *config) {
  if (!config) return E_POINTER;
  WORD number = 0;
  HRESULT hr = config->GetStreamNumber(&number);
  if (FAILED(hr)) return hr;
  return RemoveStreamByNumber(number);
}

HRESULT Profile::RemoveStreamByNumber(WORD number) {
  std::lock_guard<std::mutex> hold(lock_);
  int index = IndexOfNumber(number);
  if (index < 0) return NS_E_INVALID_REQUEST;
  streams_.erase(streams_.begin() + index);
  return S_OK;
}

HRESULT Profile::AddStream(IWMStreamConfig *config) {
  if (!config) return E_POINTER;
  // Only stream configurations of this runtime carry everything a stream needs.
  auto *ours = dynamic_cast<StreamConfig *>(config);
  if (!ours) return E_INVALIDARG;
  const StreamInfo &info = ours->Info();
  if (info.number < 1 || info.number > 63) return NS_E_INVALID_REQUEST;
  std::lock_guard<std::mutex> hold(lock_);
  if (IndexOfNumber(info.number) >= 0) return NS_E_INVALID_REQUEST;
  streams_.push_back(info);
  return S_OK;
}

HRESULT Profile::ReconfigStream(IWMStreamConfig *config) {
  if (!config) return E_POINTER;
  auto *ours = dynamic_cast<StreamConfig *>(config);
  if (!ours) return E_INVALIDARG;
  std::lock_guard<std::mutex> hold(lock_);
  int index = IndexOfNumber(ours->Info().number);
  if (index < 0) return NS_E_INVALID_REQUEST;
  streams_[index] = ours->Info();
  return S_OK;
}

HRESULT Profile::CreateNewStream(REFGUID type, IWMStreamConfig **config) {
  if (!config) return E_POINTER;
  *config = nullptr;
  if (type != WMMEDIATYPE_Video && type != WMMEDIATYPE_Audio) return E_INVALIDARG;
  StreamInfo info;
  info.type = type;
  info.bufferWindow = kBufferWindowMs;
  return HandOut(info, config);
}

// This runtime writes one stream of each kind; it has no mutual exclusions.
HRESULT Profile::GetMutualExclusionCount(DWORD *count) {
  if (!count) return E_POINTER;
  *count = 0;
  return S_OK;
}
HRESULT Profile::GetMutualExclusion(DWORD, IWMMutualExclusion **exclusion) {
  if (exclusion) *exclusion = nullptr;
  return E_INVALIDARG;
}
HRESULT Profile::RemoveMutualExclusion(IWMMutualExclusion *) { return E_NOTIMPL; }
HRESULT Profile::AddMutualExclusion(IWMMutualExclusion *) { return E_NOTIMPL; }
HRESULT Profile::CreateNewMutualExclusion(IWMMutualExclusion **exclusion) {
  if (exclusion) *exclusion = nullptr;
  return E_NOTIMPL;
}

}  // namespace wmf
