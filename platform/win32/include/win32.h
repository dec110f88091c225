/* The Win32 subset this project's programs use.
 *
 * On Windows this is the real <windows.h>. Elsewhere it is the project's own stand-in
 * (libwin32api), which gives the same names, values and behaviour for the calls the
 * launcher and the plug-in make. Product code includes this header and nothing else
 * from the platform's C interface. */
#ifndef QV_PLATFORM_WIN32_H
#define QV_PLATFORM_WIN32_H

#ifdef _WIN32
#  ifndef WIN32_LEAN_AND_MEAN
#    define WIN32_LEAN_AND_MEAN
#  endif
#  include <windows.h>
#  include <objbase.h>
#  include <mmsystem.h>
#  include <mmreg.h>
#else
#  include "../linux/types.h"
#  include "../linux/sync.h"
#  include "../linux/com.h"
#  include "../linux/memory.h"
#  include "../linux/registry.h"
#  include "../linux/resources.h"
#  include "../linux/codepage.h"
#  include "../linux/ui.h"
#  include "../linux/dialog.h"
#  include "../linux/files.h"
#  include "../linux/process.h"
#  include "../linux/modules.h"
#endif

#endif
