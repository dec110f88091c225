/* The registry calls on HKEY_CURRENT_USER, kept per user in a settings file. */
#ifndef QV_WIN32_REGISTRY_H
#define QV_WIN32_REGISTRY_H

#include "types.h"

#endif
