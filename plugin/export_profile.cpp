// Finding the version-7.0 system profiles that carry video.
#include "export_profile.h"

#include "module_state.h"
#include "settings.h"

HRESULT SelectSystemProfileVersion7(IWMProfileManager *manager) {
  IWMProfileManager2 *manager2 = nullptr;
  HRESULT hr = manager->QueryInterface(IID_IWMProfileManager2, reinterpret_cast<void **>(&manager2));
  if (FAILED(hr) || !manager2) return FAILED(hr) ? hr : E_NOINTERFACE;
  manager2->SetSystemProfileVersion(WMT_VER_7_0);
  manager2->Release();
  return hr;
}

bool ProfileHasVideo(IWMProfile *profile) {
  DWORD count = 0;
  profile->GetStreamCount(&count);
  for (DWORD i = 0; i < count; ++i) {
    IWMStreamConfig *config = nullptr;
    GUID type = {};
    profile->GetStream(i, &config);
    if (!config) continue;
    config->GetStreamType(&type);
    config->Release();
    if (IsEqualGUID(type, WMMEDIATYPE_Video)) return true;
  }
  return false;
}

IWMProfile *LoadVideoProfileAt(IWMProfileManager *manager, LONG position) {
  if (position < 0) return nullptr;
  DWORD count = 0;
  if (manager->GetSystemProfileCount(&count) != S_OK) return nullptr;
  LONG listed = 0;
  for (DWORD i = 0; i < count; ++i) {
    IWMProfile *profile = nullptr;
    if (manager->LoadSystemProfile(i, &profile) != S_OK || !profile) {
      if (profile) profile->Release();
      return nullptr;
    }
    if (ProfileHasVideo(profile)) {
      if (listed == position) return profile;
      ++listed;
    }
    profile->Release();
  }
  return nullptr;
}

IWMProfile *LoadSelectedProfile(IWMProfileManager *manager) {
  if (g_profileSelection == kProfileSelectionSaved) {
    DWORD saved = 0;
    ReadSetting(QPL_SETTING_PROFILE, &saved);
    IWMProfile *profile = LoadVideoProfileAt(manager, static_cast<LONG>(saved));
    g_profileSelection = profile ? static_cast<LONG>(saved) : 0;
    if (profile) return profile;
  }
  return LoadVideoProfileAt(manager, g_profileSelection);
}
