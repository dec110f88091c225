// IWMProfile: a named list of streams, what the writer is configured with.
#ifndef QV_WMF_PROFILE_H
#define QV_WMF_PROFILE_H

#include <mutex>
#include <string>
#include <vector>

#include "com_object.h"
#include "profile_catalog.h"
#include "profile_stream.h"

namespace wmf {

class Profile final : public ComObject<Profile, IWMProfile> {
 public:
  static Profile *CreateEmpty(WMT_VERSION version);
  // A profile built from a system profile entry: the audio stream (number 1) comes
  // before the video stream (number 2), as in the platform's audio-video profiles.
  static Profile *CreateSystem(const SystemProfileEntry &entry, WMT_VERSION version);

  HRESULT STDMETHODCALLTYPE GetVersion(WMT_VERSION *version) override;
  HRESULT STDMETHODCALLTYPE GetName(WCHAR *name, DWORD *length) override;
  HRESULT STDMETHODCALLTYPE SetName(const WCHAR *name) override;
  HRESULT STDMETHODCALLTYPE GetDescription(WCHAR *description, DWORD *length) override;
  HRESULT STDMETHODCALLTYPE SetDescription(const WCHAR *description) override;
  HRESULT STDMETHODCALLTYPE GetStreamCount(DWORD *count) override;
  HRESULT STDMETHODCALLTYPE GetStream(DWORD index, IWMStreamConfig **config) override;
  HRESULT STDMETHODCALLTYPE GetStreamByNumber(WORD number, IWMStreamConfig **config) override;
  HRESULT STDMETHODCALLTYPE RemoveStream(IWMStreamConfig *config) override;
  HRESULT STDMETHODCALLTYPE RemoveStreamByNumber(WORD number) override;
  HRESULT STDMETHODCALLTYPE AddStream(IWMStreamConfig *config) override;
  HRESULT STDMETHODCALLTYPE ReconfigStream(IWMStreamConfig *config) override;
  HRESULT STDMETHODCALLTYPE CreateNewStream(REFGUID type, IWMStreamConfig **config) override;
  HRESULT STDMETHODCALLTYPE GetMutualExclusionCount(DWORD *count) override;
  HRESULT STDMETHODCALLTYPE GetMutualExclusion(DWORD index, IWMMutualExclusion **exclusion) override;
  HRESULT STDMETHODCALLTYPE RemoveMutualExclusion(IWMMutualExclusion *exclusion) override;
  HRESULT STDMETHODCALLTYPE AddMutualExclusion(IWMMutualExclusion *exclusion) override;
  HRESULT STDMETHODCALLTYPE CreateNewMutualExclusion(IWMMutualExclusion **exclusion) override;

 private:
  explicit Profile(WMT_VERSION version) : version_(version) {}
  HRESULT HandOut(const StreamInfo &info, IWMStreamConfig **config);
  int IndexOfNumber(WORD number) const;  // -1 when absent; caller holds lock_

  mutable std::mutex lock_;
  WMT_VERSION version_;
  std::u16string name_;
  std::u16string description_;
  std::vector<StreamInfo> streams_;
};

}  // namespace wmf

#endif
