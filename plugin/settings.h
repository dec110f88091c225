/* The plug-in's settings in the registry, under HKEY_CURRENT_USER. Every access opens
 * the key (creating it on first use), reads or writes one value and closes it again. */
#ifndef QV_PLUGIN_SETTINGS_H
#define QV_PLUGIN_SETTINGS_H

#include "win32.h"

#define QV_SETTINGS_KEY "Software\\Mornavel\\FilePlugIns\\WmvPlugIn"
#define QV_SETTING_PROFILE "Profile"
#define QV_SETTING_IMPORT_ALLOWED "ImportAllowed"

/* FALSE when the key cannot be opened. A missing or unreadable value reads as 0. */
BOOL ReadSetting(LPCSTR name, DWORD *value);

/* FALSE when the key cannot be opened. Writes a REG_DWORD. */
BOOL WriteSetting(LPCSTR name, DWORD value);

#endif
