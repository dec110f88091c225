/* The GlobalAlloc family: fixed and movable blocks with Windows semantics. */
#ifndef QV_WIN32_MEMORY_H
#define QV_WIN32_MEMORY_H

#include "types.h"

#endif
