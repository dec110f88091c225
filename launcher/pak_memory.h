/* Allocation for the launcher: a run that cannot get memory stops at once with the
 * runtime's out-of-memory exit code, as the launcher has no way to go on. */
#ifndef QV_LAUNCHER_PAK_MEMORY_H
#define QV_LAUNCHER_PAK_MEMORY_H

#include <stddef.h>

enum { kPakOutOfMemoryExitCode = 203 };

/* Never returns null. */
void *PakAlloc(size_t size);
void PakFree(void *block);

#endif
