/* The plug-in's settings in the registry (names in qpl/settings.h). Every access opens
 * the key (creating it on first use), reads or writes one value and closes it again. */
#ifndef QV_PLUGIN_SETTINGS_H
#define QV_PLUGIN_SETTINGS_H

#include "qpl/settings.h"
#include "win32.h"

/* FALSE when the key can be neither opened nor created. A missing value, or one that
 * is not a REG_DWORD, reads as 0. */
BOOL ReadSetting(LPCSTR name, DWORD *value);

/* True when the "ImportAllowed" value is non-zero; false when it cannot be read. */
bool ImportAllowed();

/* Writes a REG_DWORD; FALSE when the value could not be stored. */
BOOL WriteSetting(LPCSTR name, DWORD value);

#endif
