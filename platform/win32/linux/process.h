/* Starting a program: CreateProcessA, CloseHandle; OemToCharA. */
#ifndef QV_WIN32_PROCESS_H
#define QV_WIN32_PROCESS_H

#include "types.h"

#endif
