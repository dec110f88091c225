// The profile dialog: lists the system profiles with video, preselects the saved
// choice, and on OK keeps the new choice in the profile selection and the registry.
#include "profile_dialog.h"

#include <new>

#include "export_profile.h"
#include "module_state.h"
#include "settings.h"
#include "wmf.h"

namespace {

constexpr int kDialogResource = 1;
constexpr int kProfileList = 100;
// The list takes at most this many wide characters of a name, into a buffer of
// kAnsiNameBytes: enough for every character in any code page.
constexpr int kMaxNameChars = 260;
constexpr int kAnsiNameBytes = 1024;
constexpr const char *kErrorCaption = "Windows Media Error";
constexpr const char *kNotSavedMessage =
    "The profile could not be saved in the settings. It is used until the program ends.";

// Centres the dialog over its parent, one caption height above the middle so that the
// dialog's client area, not its frame, looks centred. Without a parent window the
// screen stands in for it.
void CentreOverParent(HWND dialog) {
  RECT parent, own;
  HWND parentWindow = GetParent(dialog);
  if (!parentWindow || !GetWindowRect(parentWindow, &parent)) {
    parent.left = 0;
    parent.top = 0;
    parent.right = GetSystemMetrics(SM_CXSCREEN);
    parent.bottom = GetSystemMetrics(SM_CYSCREEN);
  }
  if (!GetWindowRect(dialog, &own)) return;
  LONG left = parent.left + ((parent.right - parent.left) - (own.right - own.left)) / 2;
  LONG top = parent.top + ((parent.bottom - parent.top) - (own.bottom - own.top)) / 2 - GetSystemMetrics(SM_CYCAPTION);
  SetWindowPos(dialog, nullptr, left, top, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
}

// Converts at most kMaxNameChars of the name, never splitting a surrogate pair, and
// always leaves a terminated string (empty when the conversion fails).
void NameToAnsi(const WCHAR *name, DWORD capacity, char *ansi) {
  int length = 0;
  while (static_cast<DWORD>(length) < capacity && length < kMaxNameChars && name[length]) ++length;
  if (length == kMaxNameChars && name[length - 1] >= 0xD800 && name[length - 1] <= 0xDBFF) --length;
  int written = length ? WideCharToMultiByte(CP_ACP, 0, name, length, ansi, kAnsiNameBytes - 1, nullptr, nullptr) : 0;
  ansi[written > 0 ? written : 0] = '\0';
}

// Appends the profile's name to the list. The result is the status of the name query.
HRESULT AddProfileName(HWND dialog, IWMProfile *profile) {
  DWORD length = 0;
  HRESULT status = profile->GetName(nullptr, &length);
  if (FAILED(status)) return status;
  WCHAR *name = new (std::nothrow) WCHAR[length ? length : 1];
  if (!name) return E_OUTOFMEMORY;
  name[0] = 0;
  status = profile->GetName(name, &length);
  if (SUCCEEDED(status)) {
    char ansi[kAnsiNameBytes];
    NameToAnsi(name, length, ansi);
    SendDlgItemMessageA(dialog, kProfileList, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(ansi));
  }
  delete[] name;
  return status;
}

// Preselects the saved choice. A saved 0 selects nothing.
void RestoreSavedChoice(HWND dialog) {
  DWORD saved = 0;
  if (!ReadSetting(QPL_SETTING_PROFILE, &saved) || saved == 0) return;
  g_profileSelection = static_cast<LONG>(saved);
  SendDlgItemMessageA(dialog, kProfileList, LB_SETCURSEL, static_cast<WPARAM>(saved), 0);
}

// Lists the version-7.0 system profiles with video. The saved choice is restored after
// every profile examined, so it takes once the list has grown long enough.
void FillProfileList(HWND dialog) {
  IWMProfileManager *manager = nullptr;
  if (FAILED(WMCreateProfileManager(&manager)) || !manager) return;
  DWORD count = 0;
  HRESULT status = SelectSystemProfileVersion7(manager);
  if (SUCCEEDED(status)) status = manager->GetSystemProfileCount(&count);
  if (FAILED(status) || count == 0) {
    manager->Release();
    return;
  }
  for (DWORD i = 0; i < count && SUCCEEDED(status); ++i) {
    IWMProfile *profile = nullptr;
    status = manager->LoadSystemProfile(i, &profile);
    if (SUCCEEDED(status) && profile && ProfileHasVideo(profile)) status = AddProfileName(dialog, profile);
    if (profile) profile->Release();
    RestoreSavedChoice(dialog);
  }
  manager->Release();
}

INT_PTR PressOk(HWND dialog) {
  g_profileSelection = static_cast<LONG>(SendDlgItemMessageA(dialog, kProfileList, LB_GETCURSEL, 0, 0));
  if (g_profileSelection < 0) {
    MessageBoxA(nullptr, "No profile selected!", kErrorCaption, MB_OK);
    return 0;
  }
  EndDialog(dialog, IDOK);
  // The choice applies to this process either way; the user must know it is not kept.
  if (!WriteSetting(QPL_SETTING_PROFILE, static_cast<DWORD>(g_profileSelection)))
    MessageBoxA(nullptr, kNotSavedMessage, kErrorCaption, MB_OK);
  return 1;
}

INT_PTR CALLBACK ProfileDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
  switch (message) {
    case WM_INITDIALOG:
      CentreOverParent(dialog);
      FillProfileList(dialog);
      return 1;
    case WM_COMMAND:
      // The whole wParam is compared: notifications from the list never match.
      if (wParam == IDOK) return PressOk(dialog);
      if (wParam == IDCANCEL) {
        EndDialog(dialog, IDCANCEL);
        return 1;
      }
      return 0;
    default:
      return 0;
  }
}

}  // namespace

BOOL ProfileDialog(HWND parent) {
  g_profileSelection = 0;
  return DialogBoxParamA(g_module, MAKEINTRESOURCEA(kDialogResource), parent, ProfileDialogProc, 0) == IDOK;
}
