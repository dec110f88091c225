// IWMProfileManager2 and WMCreateProfileManager: the system profile lists.
#include <atomic>
#include <new>

#include "com_object.h"
#include "profile.h"
#include "profile_catalog.h"

namespace wmf {
namespace {

class ProfileManager final : public ComObject<ProfileManager, IWMProfileManager2> {
 public:
  HRESULT STDMETHODCALLTYPE CreateEmptyProfile(WMT_VERSION version, IWMProfile **profile) override {
    if (!profile) return E_POINTER;
    *profile = Profile::CreateEmpty(version);
    return *profile ? S_OK : E_OUTOFMEMORY;
  }
  HRESULT STDMETHODCALLTYPE LoadProfileByID(REFGUID, IWMProfile **profile) override {
    if (profile) *profile = nullptr;
    return E_NOTIMPL;
  }
  HRESULT STDMETHODCALLTYPE LoadProfileByData(const WCHAR *, IWMProfile **profile) override {
    if (profile) *profile = nullptr;
    return E_NOTIMPL;
  }
  HRESULT STDMETHODCALLTYPE SaveProfile(IWMProfile *, WCHAR *, DWORD *) override { return E_NOTIMPL; }

  HRESULT STDMETHODCALLTYPE GetSystemProfileCount(DWORD *count) override {
    if (!count) return E_POINTER;
    size_t n = 0;
    SystemProfiles(version_, &n);
    *count = static_cast<DWORD>(n);
    return S_OK;
  }

  HRESULT STDMETHODCALLTYPE LoadSystemProfile(DWORD index, IWMProfile **profile) override {
    if (!profile) return E_POINTER;
    *profile = nullptr;
    const WMT_VERSION version = version_;
    size_t n = 0;
    const SystemProfileEntry *list = SystemProfiles(version, &n);
    if (index >= n) return E_INVALIDARG;
    *profile = Profile::CreateSystem(list[index], version);
    return *profile ? S_OK : E_OUTOFMEMORY;
  }

  HRESULT STDMETHODCALLTYPE GetSystemProfileVersion(WMT_VERSION *version) override {
    if (!version) return E_POINTER;
    *version = version_;
    return S_OK;
  }

  HRESULT STDMETHODCALLTYPE SetSystemProfileVersion(WMT_VERSION version) override {
    switch (version) {
      case WMT_VER_4_0:
      case WMT_VER_7_0:
      case WMT_VER_8_0:
      case WMT_VER_9_0:
        version_ = version;
        return S_OK;
    }
    return E_INVALIDARG;
  }

 private:
  // The runtime of SDK version 7 starts on its own list.
  std::atomic<WMT_VERSION> version_{WMT_VER_7_0};
};

}  // namespace
}  // namespace wmf

extern "C" DECLSPEC_EXPORT HRESULT WINAPI WMCreateProfileManager(IWMProfileManager **manager) {
  if (!manager) return E_POINTER;
  *manager = new (std::nothrow) wmf::ProfileManager();
  return *manager ? S_OK : E_OUTOFMEMORY;
}
