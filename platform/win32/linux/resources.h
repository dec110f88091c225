/* Resources of a loaded library: LoadStringA, the FindResourceA family, and the
 * module handle of a loaded library.
 *
 * Linux shared libraries carry no resource section. A library registers its
 * resources with the stand-in when it is loaded, under its module handle (the base
 * address its code was loaded at, as on Windows), and withdraws them when it is
 * unloaded:
 *
 *     static const Win32Resource kResources[] = {
 *         {RT_STRING, MAKEINTRESOURCEA(1), "Text of string 1", 16},
 *         {RT_DIALOG, MAKEINTRESOURCEA(1), dialogTemplateBytes, sizeof dialogTemplateBytes},
 *     };
 *     Win32RegisterResources(Win32ModuleFromAddress((const void *)&kResources), kResources, 2);
 *
 * The plug-in's build generates such a table from its .rc file (see
 * platform/win32/resources/), so the .rc stays the one place that states them. A
 * string is registered on its own (name = its id, data = its text in UTF-8, without a
 * terminating zero), not in Windows' bundles of sixteen; LoadStringA reads it and
 * FindResourceA(module, MAKEINTRESOURCEA(id), RT_STRING) finds it. Any other type is
 * kept as the bytes given: a dialog template is found with
 * FindResourceA(module, MAKEINTRESOURCEA(1), RT_DIALOG), then LoadResource,
 * LockResource and SizeofResource as on Windows. Registered data must stay valid
 * until it is withdrawn (static tables do). */
#ifndef QV_WIN32_RESOURCES_H
#define QV_WIN32_RESOURCES_H

#include "types.h"

QV_DECLARE_HANDLE(HRSRC);

#define IS_INTRESOURCE(r) ((((ULONG_PTR)(r)) >> 16) == 0)
#define RT_CURSOR MAKEINTRESOURCEA(1)
#define RT_BITMAP MAKEINTRESOURCEA(2)
#define RT_ICON MAKEINTRESOURCEA(3)
#define RT_MENU MAKEINTRESOURCEA(4)
#define RT_DIALOG MAKEINTRESOURCEA(5)
#define RT_STRING MAKEINTRESOURCEA(6)
#define RT_RCDATA MAKEINTRESOURCEA(10)
#define RT_VERSION MAKEINTRESOURCEA(16)

/* Notifications of a library's entry routine (DllMain). */
#define DLL_PROCESS_DETACH 0
#define DLL_PROCESS_ATTACH 1
#define DLL_THREAD_ATTACH 2
#define DLL_THREAD_DETACH 3

#ifndef ERROR_RESOURCE_NAME_NOT_FOUND
#  define ERROR_RESOURCE_NAME_NOT_FOUND 1814L
#endif

typedef struct Win32Resource {
  LPCSTR type;       /* RT_* or a name */
  LPCSTR name;       /* MAKEINTRESOURCEA(id) or a name */
  const void *data;  /* text of a string, bytes of anything else */
  DWORD size;        /* bytes at data */
} Win32Resource;

QV_EXTERN_C_BEGIN
/* Copies string `id` of `module` into `buffer` (at most size - 1 characters and a
 * terminating zero) and returns the characters copied; 0 with an empty buffer when
 * the string does not exist. */
int WINAPI LoadStringA(HINSTANCE module, UINT id, LPSTR buffer, int size);
HRSRC WINAPI FindResourceA(HMODULE module, LPCSTR name, LPCSTR type);
HGLOBAL WINAPI LoadResource(HMODULE module, HRSRC resource);
LPVOID WINAPI LockResource(HGLOBAL loaded);
DWORD WINAPI SizeofResource(HMODULE module, HRSRC resource);

/* Stand-in only: registration of a module's resources (see above). Registering a
 * module again adds to or replaces its entries; withdrawing removes them all. */
void Win32RegisterResources(HMODULE module, const Win32Resource *resources, size_t count);
void Win32WithdrawResources(HMODULE module);
/* The module handle of the loaded library or program whose code or data holds
 * `address`; null when none does. */
HMODULE Win32ModuleFromAddress(const void *address);
QV_EXTERN_C_END

#endif
