/* Module-wide state of the plug-in: one copy per process, no locking (the host never
 * calls the plug-in concurrently). */
#ifndef QV_PLUGIN_MODULE_STATE_H
#define QV_PLUGIN_MODULE_STATE_H

#include "win32.h"

extern HINSTANCE g_module;          // stored by the library's entry routine
extern LONG g_profileSelection;     // position in the profile dialog's list; 0 at load

#endif
