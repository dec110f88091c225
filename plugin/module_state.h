/* Module-wide state of the plug-in: one copy per process, no locking (the host never
 * calls the plug-in concurrently). */
#ifndef QV_PLUGIN_MODULE_STATE_H
#define QV_PLUGIN_MODULE_STATE_H

#include "win32.h"

extern HINSTANCE g_module;          // stored by the library's entry routine
/* Position in the profile dialog's list. Until the dialog sets it, it stands for the
 * choice saved by an earlier process, which the first export reads (the registry and
 * the runtime cannot be asked while the library loads). */
extern LONG g_profileSelection;
enum : LONG { kProfileSelectionSaved = -0x7FFFFFFF - 1 };

/* Keeps the library loaded until the process ends. Called once a transfer is open:
 * the media runtime's threads then hold a callback into this library and run code of
 * the runtime it brought, so a host that unloads the plug-in with a transfer still
 * open must not unmap them. */
void KeepLibraryLoaded();

#endif
