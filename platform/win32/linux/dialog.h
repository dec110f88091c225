/* The modal dialog with its list box, window placement and system metrics. */
#ifndef QV_WIN32_DIALOG_H
#define QV_WIN32_DIALOG_H

#include "types.h"

#endif
