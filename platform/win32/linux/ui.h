/* Message boxes. Without a desktop the text goes to standard error; tests can install
 * a hook that sees every message box and chooses its answer. */
#ifndef QV_WIN32_UI_H
#define QV_WIN32_UI_H

#include "types.h"

#define MB_OK 0x00000000L
#define MB_OKCANCEL 0x00000001L
#define MB_ICONHAND 0x00000010L
#define MB_ICONERROR MB_ICONHAND
#define MB_ICONEXCLAMATION 0x00000030L
#define MB_ICONINFORMATION 0x00000040L
#define IDOK 1
#define IDCANCEL 2

QV_EXTERN_C_BEGIN
int WINAPI MessageBoxA(HWND owner, LPCSTR text, LPCSTR caption, UINT type);

/* Stand-in only: a hook that replaces the standard-error output. It returns the
 * button the "user" pressed. Pass null to restore the default. */
typedef int (*Win32MessageBoxHook)(HWND owner, const char *text, const char *caption, UINT type, void *context);
void Win32SetMessageBoxHook(Win32MessageBoxHook hook, void *context);
QV_EXTERN_C_END

#endif
