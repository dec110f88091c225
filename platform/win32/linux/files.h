/* File and directory calls: OpenFile, _lread, _llseek, _lclose, CreateFileA, WriteFile,
 * MoveFileA, DeleteFileA, DeleteFileW, GetWindowsDirectoryA, GetModuleFileNameA.
 *
 * Windows paths map to POSIX paths: every backslash becomes a slash and a drive prefix
 * such as "c:\" becomes "/". The Windows directory is $WINDIR when it is set, else the
 * private per-user folder $XDG_DATA_HOME/quorvel-win32/windows (or
 * ~/.local/share/quorvel-win32/windows), made with mode 0700. Files made by CreateFileA
 * can be executed, as any file can on Windows; CREATE_NEW never opens an existing name,
 * not even through a link. */
#ifndef QV_WIN32_FILES_H
#define QV_WIN32_FILES_H

#include "types.h"

#define OFS_MAXPATHNAME 128
typedef struct _OFSTRUCT {
  BYTE cBytes;
  BYTE fFixedDisk;
  WORD nErrCode;
  WORD Reserved1;
  WORD Reserved2;
  CHAR szPathName[OFS_MAXPATHNAME];
} OFSTRUCT, *LPOFSTRUCT, *POFSTRUCT;

#define OF_READ 0x00000000
#define OF_WRITE 0x00000001
#define OF_READWRITE 0x00000002
#define HFILE_ERROR ((HFILE)-1)

#define FILE_BEGIN 0
#define FILE_CURRENT 1
#define FILE_END 2

#define GENERIC_READ 0x80000000UL
#define GENERIC_WRITE 0x40000000UL
#define FILE_SHARE_READ 0x00000001
#define FILE_SHARE_WRITE 0x00000002
#define CREATE_NEW 1
#define CREATE_ALWAYS 2
#define OPEN_EXISTING 3
#define OPEN_ALWAYS 4
#define TRUNCATE_EXISTING 5
#define FILE_ATTRIBUTE_NORMAL 0x00000080

#ifndef ERROR_FILE_NOT_FOUND
#  define ERROR_FILE_NOT_FOUND 2L
#endif
#ifndef ERROR_PATH_NOT_FOUND
#  define ERROR_PATH_NOT_FOUND 3L
#endif
#ifndef ERROR_ACCESS_DENIED
#  define ERROR_ACCESS_DENIED 5L
#endif
#ifndef ERROR_WRITE_FAULT
#  define ERROR_WRITE_FAULT 29L
#endif
#ifndef ERROR_FILE_EXISTS
#  define ERROR_FILE_EXISTS 80L
#endif
#ifndef ERROR_ALREADY_EXISTS
#  define ERROR_ALREADY_EXISTS 183L
#endif
#ifndef ERROR_INSUFFICIENT_BUFFER
#  define ERROR_INSUFFICIENT_BUFFER 122L
#endif
#ifndef ERROR_DISK_FULL
#  define ERROR_DISK_FULL 112L
#endif
#ifndef ERROR_FILE_TOO_LARGE
#  define ERROR_FILE_TOO_LARGE 223L
#endif

typedef struct _SECURITY_ATTRIBUTES {
  DWORD nLength;
  LPVOID lpSecurityDescriptor;
  BOOL bInheritHandle;
} SECURITY_ATTRIBUTES, *LPSECURITY_ATTRIBUTES;

typedef struct _OVERLAPPED OVERLAPPED, *LPOVERLAPPED;

QV_EXTERN_C_BEGIN
HFILE WINAPI OpenFile(LPCSTR path, LPOFSTRUCT info, UINT style);
UINT WINAPI _lread(HFILE file, LPVOID buffer, UINT count);
LONG WINAPI _llseek(HFILE file, LONG offset, int origin);
HFILE WINAPI _lclose(HFILE file);

HANDLE WINAPI CreateFileA(LPCSTR path, DWORD access, DWORD share, LPSECURITY_ATTRIBUTES security,
                          DWORD disposition, DWORD attributes, HANDLE template_file);
BOOL WINAPI WriteFile(HANDLE file, LPCVOID data, DWORD count, LPDWORD written, LPOVERLAPPED overlapped);
BOOL WINAPI MoveFileA(LPCSTR from, LPCSTR to);
BOOL WINAPI DeleteFileA(LPCSTR path);
BOOL WINAPI DeleteFileW(LPCWSTR path);
UINT WINAPI GetWindowsDirectoryA(LPSTR buffer, UINT size);
DWORD WINAPI GetModuleFileNameA(HMODULE module, LPSTR buffer, DWORD size);

/* Stand-in only: the POSIX path a Windows path names (see the top of this file).
 * Returns the length written, or 0 when it does not fit into `size` bytes. */
size_t Win32PosixPath(const char *windows_path, char *buffer, size_t size);

/* Stand-in only: the error code (GetLastError) for a POSIX errno, as the stand-in's
 * calls set it, and back: the errno whose text (strerror) FormatMessageA gives for a
 * code, or 0 for a code that stands for none. */
DWORD Win32ErrorFromErrno(int error);
int Win32ErrnoOfError(DWORD code);
QV_EXTERN_C_END

#endif
