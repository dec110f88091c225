// A library that looks like a plug-in but offers only piCount: the host must name
// what is missing instead of calling through a null pointer.
#include "qpl/entry_points.h"

#ifdef _WIN32
#  define EXPORTED __declspec(dllexport)
#else
#  define EXPORTED __attribute__((visibility("default")))
#endif

// The contract's own prototype, exported.
extern "C" EXPORTED DWORD WINAPI piCount(void) { return 1; }
