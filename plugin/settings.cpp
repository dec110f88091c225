// The settings key and its 32-bit values.
#include "settings.h"

static BOOL OpenSettingsKey(HKEY *key) {
  return RegCreateKeyExA(HKEY_CURRENT_USER, QPL_SETTINGS_KEY, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, key,
                         nullptr) == ERROR_SUCCESS;
}

BOOL ReadSetting(LPCSTR name, DWORD *value) {
  HKEY key;
  *value = 0;
  // The key is made on first use; a configuration that cannot be written is still
  // read, since reading needs no write access.
  if (!OpenSettingsKey(&key) &&
      RegOpenKeyExA(HKEY_CURRENT_USER, QPL_SETTINGS_KEY, 0, KEY_READ, &key) != ERROR_SUCCESS)
    return FALSE;
  // Only a 32-bit number counts: a missing value or one of another type (the text "0"
  // is not the number 1) reads as 0.
  DWORD type = REG_DWORD;
  DWORD size = sizeof(*value);
  if (RegQueryValueExA(key, name, nullptr, &type, reinterpret_cast<BYTE *>(value), &size) != ERROR_SUCCESS ||
      type != REG_DWORD || size != sizeof(*value))
    *value = 0;
  RegCloseKey(key);
  return TRUE;
}

bool ImportAllowed() {
  DWORD value = 0;
  ReadSetting(QPL_SETTING_IMPORT_ALLOWED, &value);  // 0 when it cannot be read
  return value != 0;
}

BOOL WriteSetting(LPCSTR name, DWORD value) {
  HKEY key;
  if (!OpenSettingsKey(&key)) return FALSE;
  LONG status = RegSetValueExA(key, name, 0, REG_DWORD, reinterpret_cast<const BYTE *>(&value), sizeof(value));
  RegCloseKey(key);
  return status == ERROR_SUCCESS;
}
