/* What the project's runtime offers beyond the platform's interfaces: switches that
 * tests use to exercise the plug-in on other output formats. */
#ifndef QV_WMF_EXTENSIONS_H
#define QV_WMF_EXTENSIONS_H

#include "types.h"

#endif
