// The library's entry routine: keeps the module handle for the resources and
// initialises COM on the thread that loads the library.
#include "block_registry.h"
#include "module_state.h"
#include "win32.h"

void KeepLibraryLoaded() {
  static bool kept = false;
  if (kept) return;
  HMODULE module = nullptr;
  kept = GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_PIN,
                            reinterpret_cast<LPCSTR>(&g_module), &module) != 0;
}

extern "C" BOOL WINAPI DllMain(HINSTANCE module, DWORD reason, LPVOID) {
  g_module = module;  // every notification stores it
  if (reason == DLL_PROCESS_ATTACH) {
    CoInitialize(nullptr);
  } else if (reason == DLL_PROCESS_DETACH) {
    ForgetAllBlocks();
    CoUninitialize();
  }
  return TRUE;
}
