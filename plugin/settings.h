/* The plug-in's settings in the registry, under HKEY_CURRENT_USER. Every access opens
 * the key (creating it on first use), reads or writes one value and closes it again. */
#ifndef QV_PLUGIN_SETTINGS_H
#define QV_PLUGIN_SETTINGS_H

#include "win32.h"

#define QV_SETTINGS_KEY "Software\\Mornavel\\FilePlugIns\\WmvPlugIn"
#define QV_SETTING_PROFILE "Profile"
#define QV_SETTING_IMPORT_ALLOWED "ImportAllowed"

/* FALSE when the key can be neither opened nor created. A missing value, or one that
 * is not a REG_DWORD, reads as 0. */
BOOL ReadSetting(LPCSTR name, DWORD *value);

/* Writes a REG_DWORD; FALSE when the value could not be stored. */
BOOL WriteSetting(LPCSTR name, DWORD value);

#endif
