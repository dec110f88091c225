// The library's entry routine: keeps the module handle for the resources and
// initialises COM on the thread that loads the library.
#include "module_state.h"
#include "win32.h"

extern "C" BOOL WINAPI DllMain(HINSTANCE module, DWORD reason, LPVOID) {
  g_module = module;  // every notification stores it
  if (reason == DLL_PROCESS_ATTACH)
    CoInitialize(nullptr);
  else if (reason == DLL_PROCESS_DETACH)
    CoUninitialize();
  return TRUE;
}
