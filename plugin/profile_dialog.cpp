// Settings and the profile dialog.
#include "profile_dialog.h"

BOOL ProfileDialog(HWND) { return 0; }
