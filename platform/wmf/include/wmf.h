/* The Windows Media Format runtime (SDK version 7 interfaces).
 *
 * On Windows these are the platform's own declarations (wmsdk.h) plus the few names
 * mingw-w64 leaves out. Elsewhere they are the project's runtime over FFmpeg
 * (libwmvcore), with the same names, method order and signatures. */
#ifndef QV_PLATFORM_WMF_H
#define QV_PLATFORM_WMF_H

#include "win32.h"

#ifdef _WIN32
#  include <wmsdk.h>
#  include <nserror.h> /* the runtime's errors, NS_E_PROTECTED_CONTENT among them */
#  include <amvideo.h>
#  include <mmreg.h>
#  ifndef QV_WMF_WINDOWS_EXTRAS
#    define QV_WMF_WINDOWS_EXTRAS
/* Published values that mingw-w64's headers do not carry. */
static const GUID WMFORMAT_VideoInfo = {0x05589f80, 0xc356, 0x11ce, {0xbf, 0x01, 0x00, 0xaa, 0x00, 0x55, 0x59, 0x5a}};
static const GUID WMFORMAT_WaveFormatEx = {0x05589f81, 0xc356, 0x11ce, {0xbf, 0x01, 0x00, 0xaa, 0x00, 0x55, 0x59, 0x5a}};
#    define ASF_E_BUFFERTOOSMALL ((HRESULT)0xC00D07D1L)
extern "C" HRESULT WINAPI WMCreateReaderPriv(IWMReader **reader);
extern "C" HRESULT WINAPI WMCreateWriterPriv(IWMWriter **writer);
#  endif
#else
#  include "../linux/types.h"
#  include "../linux/interfaces.h"
#  include "../linux/extensions.h"
#endif

#endif
