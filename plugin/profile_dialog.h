/* Settings and the profile dialog. */
#ifndef QV_PLUGIN_PROFILE_DIALOG_H
#define QV_PLUGIN_PROFILE_DIALOG_H

#include "win32.h"

/* piLocalDlg: 1 when the user closed the dialog with OK, else 0. */
BOOL ProfileDialog(HWND parent);

#endif
