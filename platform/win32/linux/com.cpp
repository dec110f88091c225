// COM initialisation: a per-thread count, as the COM library keeps it. No apartment
// machinery is needed by the objects of this project, which are all in-process.
#include "win32.h"

#include <cstdlib>

extern "C" const IID IID_IUnknown = {0x00000000, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};

static thread_local int com_init_count = 0;

extern "C" HRESULT WINAPI CoInitialize(LPVOID) { return com_init_count++ == 0 ? S_OK : S_FALSE; }

extern "C" void WINAPI CoUninitialize(void) {
  if (com_init_count > 0) --com_init_count;
}

extern "C" void *WINAPI CoTaskMemAlloc(SIZE_T size) { return std::malloc(size ? size : 1); }
extern "C" void WINAPI CoTaskMemFree(void *p) { std::free(p); }
