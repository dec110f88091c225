/* Loading libraries by path: LoadLibraryA, GetProcAddress, FreeLibrary, and the text
 * of a system error (FormatMessageA). Windows paths map as for files; a failed load
 * sets ERROR_MOD_NOT_FOUND, and FormatMessageA then gives the loader's own reason. */
#ifndef QV_WIN32_MODULES_H
#define QV_WIN32_MODULES_H

#include "types.h"

typedef INT_PTR (*FARPROC)(void);

#define ERROR_MOD_NOT_FOUND 126L
#define ERROR_PROC_NOT_FOUND 127L
#define FORMAT_MESSAGE_IGNORE_INSERTS 0x00000200
#define FORMAT_MESSAGE_FROM_SYSTEM 0x00001000
#define GET_MODULE_HANDLE_EX_FLAG_PIN 0x00000001
#define GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT 0x00000002
#define GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS 0x00000004

QV_EXTERN_C_BEGIN
HMODULE WINAPI LoadLibraryA(LPCSTR path);
FARPROC WINAPI GetProcAddress(HMODULE module, LPCSTR name);
BOOL WINAPI FreeLibrary(HMODULE module);
/* Only with GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS: the module that holds an address
 * (as its resources know it); with GET_MODULE_HANDLE_EX_FLAG_PIN it then stays loaded
 * until the process ends. */
BOOL WINAPI GetModuleHandleExA(DWORD flags, LPCSTR name, HMODULE *module);
DWORD WINAPI FormatMessageA(DWORD flags, LPCVOID source, DWORD message, DWORD language, LPSTR buffer,
                            DWORD size, void *arguments);
QV_EXTERN_C_END

#endif
