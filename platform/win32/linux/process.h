/* Starting a program: CreateProcessA, CloseHandle; OemToCharA.
 *
 * CreateProcessA splits the command line as Windows programs do, maps the program
 * (the application name when given, else the command line's first argument) and the
 * current directory to POSIX paths (see files.h), and starts the program without
 * waiting for it; a relative program path is taken from the caller's current
 * directory. It fails when the program cannot be started. */
#ifndef QV_WIN32_PROCESS_H
#define QV_WIN32_PROCESS_H

#include "types.h"
#include "files.h"

typedef struct _STARTUPINFOA {
  DWORD cb;
  LPSTR lpReserved;
  LPSTR lpDesktop;
  LPSTR lpTitle;
  DWORD dwX;
  DWORD dwY;
  DWORD dwXSize;
  DWORD dwYSize;
  DWORD dwXCountChars;
  DWORD dwYCountChars;
  DWORD dwFillAttribute;
  DWORD dwFlags;
  WORD wShowWindow;
  WORD cbReserved2;
  LPBYTE lpReserved2;
  HANDLE hStdInput;
  HANDLE hStdOutput;
  HANDLE hStdError;
} STARTUPINFOA, *LPSTARTUPINFOA;

typedef struct _PROCESS_INFORMATION {
  HANDLE hProcess;
  HANDLE hThread;
  DWORD dwProcessId;
  DWORD dwThreadId;
} PROCESS_INFORMATION, *LPPROCESS_INFORMATION;

#define NORMAL_PRIORITY_CLASS 0x00000020
#ifndef SW_SHOWNORMAL
#  define SW_HIDE 0
#  define SW_SHOWNORMAL 1
#  define SW_NORMAL 1
#endif

QV_EXTERN_C_BEGIN
BOOL WINAPI CreateProcessA(LPCSTR application, LPSTR command_line, LPSECURITY_ATTRIBUTES process_security,
                           LPSECURITY_ATTRIBUTES thread_security, BOOL inherit_handles, DWORD creation_flags,
                           LPVOID environment, LPCSTR current_directory, LPSTARTUPINFOA startup,
                           LPPROCESS_INFORMATION info);
BOOL WINAPI CloseHandle(HANDLE handle);
BOOL WINAPI OemToCharA(LPCSTR source, LPSTR destination);

/* Stand-in only: splits a command line into arguments as Windows programs do.
 * Calls `each` once per argument, in order; returns the number of arguments. */
typedef void (*Win32ArgumentSink)(const char *argument, size_t length, void *context);
int Win32SplitCommandLine(const char *command_line, Win32ArgumentSink each, void *context);
QV_EXTERN_C_END

#endif
