/* Code-page conversion: CP_ACP is UTF-8 here, wide characters are UTF-16. */
#ifndef QV_WIN32_CODEPAGE_H
#define QV_WIN32_CODEPAGE_H

#include "types.h"

#endif
