/* The plug-in's settings: 32-bit values (REG_DWORD) under this key of
 * HKEY_CURRENT_USER, which a host may also read or arrange. */
#ifndef QPL_SETTINGS_H
#define QPL_SETTINGS_H

#define QPL_SETTINGS_KEY "Software\\Mornavel\\FilePlugIns\\WmvPlugIn"
#define QPL_SETTING_PROFILE "Profile"               // the profile dialog's chosen entry
#define QPL_SETTING_IMPORT_ALLOWED "ImportAllowed"  // non-zero: piFlags adds kCapabilityImport

#endif
