/* Code-page conversion: CP_ACP is UTF-8 here, wide characters are UTF-16.
 *
 * CP_ACP, CP_OEMCP, CP_THREAD_ACP and CP_UTF8 all mean UTF-8. As on Windows: a length
 * of -1 takes the text up to and including its terminating zero; an output size of 0
 * asks for the size needed; too small an output fails with ERROR_INSUFFICIENT_BUFFER;
 * malformed input becomes U+FFFD unless MB_ERR_INVALID_CHARS / WC_ERR_INVALID_CHARS
 * asks for failure (ERROR_NO_UNICODE_TRANSLATION). */
#ifndef QV_WIN32_CODEPAGE_H
#define QV_WIN32_CODEPAGE_H

#include "types.h"

#define CP_ACP 0
#define CP_OEMCP 1
#define CP_MACCP 2
#define CP_THREAD_ACP 3
#define CP_UTF8 65001

#define MB_PRECOMPOSED 0x00000001
#define MB_COMPOSITE 0x00000002
#define MB_USEGLYPHCHARS 0x00000004
#define MB_ERR_INVALID_CHARS 0x00000008
#define WC_COMPOSITECHECK 0x00000200
#define WC_DEFAULTCHAR 0x00000040
#define WC_NO_BEST_FIT_CHARS 0x00000400
#define WC_ERR_INVALID_CHARS 0x00000080

#ifndef ERROR_INVALID_PARAMETER
#  define ERROR_INVALID_PARAMETER 87L
#endif
#ifndef ERROR_INSUFFICIENT_BUFFER
#  define ERROR_INSUFFICIENT_BUFFER 122L
#endif
#ifndef ERROR_INVALID_FLAGS
#  define ERROR_INVALID_FLAGS 1004L
#endif
#ifndef ERROR_NO_UNICODE_TRANSLATION
#  define ERROR_NO_UNICODE_TRANSLATION 1113L
#endif

QV_EXTERN_C_BEGIN
int WINAPI MultiByteToWideChar(UINT codePage, DWORD flags, LPCSTR text, int textLength, LPWSTR wide,
                               int wideLength);
/* For CP_UTF8 `defaultChar` and `usedDefault` must be null, as on Windows; for the
 * other code pages *usedDefault tells whether U+FFFD replaced a malformed character. */
int WINAPI WideCharToMultiByte(UINT codePage, DWORD flags, LPCWSTR wide, int wideLength, LPSTR text,
                               int textLength, LPCSTR defaultChar, LPBOOL usedDefault);
UINT WINAPI GetACP(void);
QV_EXTERN_C_END

#endif
