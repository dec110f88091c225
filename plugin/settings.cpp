// The settings key and its 32-bit values.
#include "settings.h"

static BOOL OpenSettingsKey(HKEY *key) {
  return RegCreateKeyExA(HKEY_CURRENT_USER, QV_SETTINGS_KEY, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, key,
                         nullptr) == ERROR_SUCCESS;
}

BOOL ReadSetting(LPCSTR name, DWORD *value) {
  HKEY key;
  *value = 0;
  if (!OpenSettingsKey(&key)) return FALSE;
  // The read's own result does not matter: a missing value leaves the preset 0.
  DWORD type = REG_DWORD;
  DWORD size = sizeof(*value);
  if (RegQueryValueExA(key, name, nullptr, &type, reinterpret_cast<BYTE *>(value), &size) != ERROR_SUCCESS ||
      type != REG_DWORD || size != sizeof(*value))
    *value = 0;
  RegCloseKey(key);
  return TRUE;
}

BOOL WriteSetting(LPCSTR name, DWORD value) {
  HKEY key;
  if (!OpenSettingsKey(&key)) return FALSE;
  RegSetValueExA(key, name, 0, REG_DWORD, reinterpret_cast<const BYTE *>(&value), sizeof(value));
  RegCloseKey(key);
  return TRUE;
}
