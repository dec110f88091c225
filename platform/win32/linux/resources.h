/* String resources (LoadStringA) and the module handle of a loaded library. */
#ifndef QV_WIN32_RESOURCES_H
#define QV_WIN32_RESOURCES_H

#include "types.h"

#endif
