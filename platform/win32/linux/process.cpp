// Starting programs: the Windows command-line rules, then fork and exec without waiting.
#include "win32.h"
#include "kernel_handle.h"

#include <cerrno>
#include <climits>
#include <cstring>
#include <fcntl.h>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

extern "C" int Win32SplitCommandLine(const char *line, Win32ArgumentSink each, void *context) {
  std::string argument;
  const char *p = line ? line : "";
  int count = 0;
  // The program name ends at the next space or tab, or at its closing quote; a
  // backslash has no special meaning in it.
  while (*p == ' ' || *p == '\t') p++;
  if (*p == '\0') return 0;
  if (*p == '"') {
    for (p++; *p && *p != '"'; p++) argument += *p;
    if (*p == '"') p++;
  } else {
    for (; *p && *p != ' ' && *p != '\t'; p++) argument += *p;
  }
  each(argument.data(), argument.size(), context);
  count++;

  // Later arguments: 2n backslashes before a quote give n backslashes and the quote
  // toggles quoting; 2n+1 give n backslashes and a literal quote; "" inside quotes is
  // a literal quote.
  for (;;) {
    while (*p == ' ' || *p == '\t') p++;
    if (*p == '\0') break;
    argument.clear();
    bool quoted = false;
    while (*p && (quoted || (*p != ' ' && *p != '\t'))) {
      if (*p == '\\') {
        size_t slashes = 0;
        while (*p == '\\') slashes++, p++;
        if (*p == '"') {
          argument.append(slashes / 2, '\\');
          if (slashes % 2) {
            argument += '"';
            p++;
          }
        } else {
          argument.append(slashes, '\\');
        }
      } else if (*p == '"') {
        if (quoted && p[1] == '"') {
          argument += '"';
          p += 2;
        } else {
          quoted = !quoted;
          p++;
        }
      } else {
        argument += *p++;
      }
    }
    each(argument.data(), argument.size(), context);
    count++;
  }
  return count;
}

namespace {

void CollectArgument(const char *text, size_t length, void *context) {
  static_cast<std::vector<std::string> *>(context)->emplace_back(text, length);
}

[[noreturn]] void ReportExecFailure(int pipe_fd) {
  int error = errno;
  ssize_t ignored = write(pipe_fd, &error, sizeof error);
  (void)ignored;
  _exit(127);
}

}  // namespace

extern "C" BOOL WINAPI CreateProcessA(LPCSTR application, LPSTR command_line, LPSECURITY_ATTRIBUTES process_security,
                                      LPSECURITY_ATTRIBUTES thread_security, BOOL inherit_handles, DWORD creation_flags,
                                      LPVOID environment, LPCSTR current_directory, LPSTARTUPINFOA startup,
                                      LPPROCESS_INFORMATION info) {
  std::vector<std::string> arguments;
  Win32SplitCommandLine(command_line, CollectArgument, &arguments);
  std::string program = application ? application : arguments.empty() ? "" : arguments[0];
  if (program.empty() || !info) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  char program_path[PATH_MAX], directory[PATH_MAX];
  if (!Win32PosixPath(program.c_str(), program_path, sizeof program_path) ||
      (current_directory && !Win32PosixPath(current_directory, directory, sizeof directory))) {
    SetLastError(ERROR_PATH_NOT_FOUND);
    return FALSE;
  }
  // A relative program is found from the caller's current directory, as on Windows,
  // not from the one the new process starts in.
  if (program_path[0] != '/') {
    char cwd[PATH_MAX];
    std::string full = getcwd(cwd, sizeof cwd) ? std::string(cwd) + "/" + program_path : "";
    if (full.empty() || full.size() >= sizeof program_path) {
      SetLastError(ERROR_PATH_NOT_FOUND);
      return FALSE;
    }
    memcpy(program_path, full.c_str(), full.size() + 1);
  }
  std::vector<char *> argv;
  for (auto &argument : arguments) argv.push_back(&argument[0]);
  argv.push_back(nullptr);

  // The child reports a failed chdir or exec through a pipe that exec closes, so
  // the caller learns whether the program really started.
  int report[2];
  if (pipe2(report, O_CLOEXEC) != 0) {
    SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    return FALSE;
  }
  pid_t pid = fork();
  if (pid < 0) {
    close(report[0]);
    close(report[1]);
    SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    return FALSE;
  }
  if (pid == 0) {
    close(report[0]);
    if (current_directory && chdir(directory) != 0) ReportExecFailure(report[1]);
    execv(program_path, argv.data());
    ReportExecFailure(report[1]);
  }
  close(report[1]);
  int child_error = 0;
  ssize_t got;
  do got = read(report[0], &child_error, sizeof child_error);
  while (got < 0 && errno == EINTR);
  close(report[0]);
  if (got > 0) {
    // The child has already ended; collect it so that no zombie stays behind.
    int ignored;
    waitpid(pid, &ignored, 0);
    SetLastError(child_error == ENOENT ? ERROR_FILE_NOT_FOUND : ERROR_ACCESS_DENIED);
    return FALSE;
  }
  info->hProcess = KernelHandleOpen(kKernelProcess, -1, pid);
  info->hThread = KernelHandleOpen(kKernelThread, -1, pid);
  info->dwProcessId = (DWORD)pid;
  info->dwThreadId = (DWORD)pid;
  return TRUE;
}

extern "C" BOOL WINAPI CloseHandle(HANDLE handle) {
  if (!KernelHandleClose(handle)) {
    SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
  }
  return TRUE;
}

extern "C" BOOL WINAPI OemToCharA(LPCSTR source, LPSTR destination) {
  // The OEM and ANSI code pages are both UTF-8 here: the text is copied unchanged.
  if (!source || !destination) return FALSE;
  if (source != destination) memmove(destination, source, strlen(source) + 1);
  return TRUE;
}
