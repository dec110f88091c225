// Module-wide state of the plug-in.
#include "module_state.h"

HINSTANCE g_module = nullptr;
LONG g_profileSelection = kProfileSelectionSaved;
