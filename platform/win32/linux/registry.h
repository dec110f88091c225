/* The registry calls on HKEY_CURRENT_USER, kept per user in a settings file.
 *
 * The file is $QV_WIN32_REGISTRY when that variable is set (tests point it at a
 * temporary folder), else $XDG_CONFIG_HOME/quorvel-win32/user.reg, else
 * $HOME/.config/quorvel-win32/user.reg. It is read on every call and replaced as a
 * whole on every change (temporary file, fsync, rename), under an exclusive flock of
 * "<file>.lock", so a crash never leaves it half written and two processes writing at
 * once never lose each other's values. Key and value names compare without regard to
 * ASCII case, as on Windows. Other root keys than HKEY_CURRENT_USER are refused. */
#ifndef QV_WIN32_REGISTRY_H
#define QV_WIN32_REGISTRY_H

#include "types.h"

typedef DWORD REGSAM;
struct _SECURITY_ATTRIBUTES;

#define HKEY_CLASSES_ROOT ((HKEY)(ULONG_PTR)(LONG)0x80000000)
#define HKEY_CURRENT_USER ((HKEY)(ULONG_PTR)(LONG)0x80000001)
#define HKEY_LOCAL_MACHINE ((HKEY)(ULONG_PTR)(LONG)0x80000002)
#define HKEY_USERS ((HKEY)(ULONG_PTR)(LONG)0x80000003)

#define KEY_QUERY_VALUE 0x0001
#define KEY_SET_VALUE 0x0002
#define KEY_CREATE_SUB_KEY 0x0004
#define KEY_ENUMERATE_SUB_KEYS 0x0008
#define KEY_NOTIFY 0x0010
#define KEY_READ 0x20019
#define KEY_WRITE 0x20006
#define KEY_ALL_ACCESS 0xF003F

#define REG_OPTION_NON_VOLATILE 0x00000000L
#define REG_CREATED_NEW_KEY 0x00000001L
#define REG_OPENED_EXISTING_KEY 0x00000002L

#define REG_NONE 0
#define REG_SZ 1
#define REG_EXPAND_SZ 2
#define REG_BINARY 3
#define REG_DWORD 4
#define REG_MULTI_SZ 7
#define REG_QWORD 11

#ifndef ERROR_SUCCESS
#  define ERROR_SUCCESS 0L
#endif
#ifndef ERROR_FILE_NOT_FOUND
#  define ERROR_FILE_NOT_FOUND 2L
#endif
#ifndef ERROR_ACCESS_DENIED
#  define ERROR_ACCESS_DENIED 5L
#endif
#ifndef ERROR_INVALID_HANDLE
#  define ERROR_INVALID_HANDLE 6L
#endif
#ifndef ERROR_INVALID_PARAMETER
#  define ERROR_INVALID_PARAMETER 87L
#endif
#ifndef ERROR_MORE_DATA
#  define ERROR_MORE_DATA 234L
#endif
#ifndef ERROR_REGISTRY_IO_FAILED
#  define ERROR_REGISTRY_IO_FAILED 1016L
#endif

QV_EXTERN_C_BEGIN
LONG WINAPI RegCreateKeyExA(HKEY key, LPCSTR subKey, DWORD reserved, LPSTR keyClass, DWORD options, REGSAM access,
                            struct _SECURITY_ATTRIBUTES *security, PHKEY result, LPDWORD disposition);
LONG WINAPI RegOpenKeyExA(HKEY key, LPCSTR subKey, DWORD options, REGSAM access, PHKEY result);
LONG WINAPI RegQueryValueExA(HKEY key, LPCSTR valueName, LPDWORD reserved, LPDWORD type, LPBYTE data,
                             LPDWORD dataSize);
LONG WINAPI RegSetValueExA(HKEY key, LPCSTR valueName, DWORD reserved, DWORD type, const BYTE *data,
                           DWORD dataSize);
LONG WINAPI RegDeleteValueA(HKEY key, LPCSTR valueName);
LONG WINAPI RegCloseKey(HKEY key);
QV_EXTERN_C_END

#endif
