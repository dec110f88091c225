// File and directory calls over POSIX. Windows paths are mapped first (files.h).
#include "win32.h"
#include "kernel_handle.h"

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

namespace {

void FailWithErrno() { SetLastError(Win32ErrorFromErrno(errno)); }

// The default Windows directory: $XDG_DATA_HOME/quorvel-win32/windows (else under
// ~/.local/share), made mode 0700 where missing. Programs are extracted into it and
// started from it, so it must not be a place that other users can write, such as the
// temporary directory; an existing one that is not a directory of ours is refused.
bool PrivateWindowsDirectory(std::string &directory) {
  if (const char *data = getenv("XDG_DATA_HOME"); data && *data == '/') {
    directory = data;
  } else if (const char *home = getenv("HOME"); home && *home == '/') {
    directory = std::string(home) + "/.local/share";
  } else {
    SetLastError(ERROR_PATH_NOT_FOUND);
    return false;
  }
  directory += "/quorvel-win32/windows";
  for (size_t slash = directory.find('/', 1);; slash = directory.find('/', slash + 1)) {
    std::string folder = directory.substr(0, slash);
    if (mkdir(folder.c_str(), 0700) != 0 && errno != EEXIST) {
      FailWithErrno();
      return false;
    }
    if (slash == std::string::npos) break;
  }
  struct stat info;
  if (lstat(directory.c_str(), &info) != 0 || !S_ISDIR(info.st_mode) || info.st_uid != geteuid() ||
      ((info.st_mode & 077) && chmod(directory.c_str(), 0700) != 0)) {
    SetLastError(ERROR_ACCESS_DENIED);
    return false;
  }
  return true;
}

// Holds a mapped path for one call; PATH_MAX covers every path POSIX can open.
struct PosixPath {
  char text[PATH_MAX];
  bool ok;
  explicit PosixPath(const char *windows_path) {
    ok = windows_path && Win32PosixPath(windows_path, text, sizeof text) > 0;
    if (!ok) SetLastError(ERROR_PATH_NOT_FOUND);
  }
};

}  // namespace

namespace {

// Each code with the errno its text comes from; the first row of an errno is its code.
const struct {
  int number;
  DWORD code;
} kErrnoCodes[] = {
    {ENOENT, ERROR_FILE_NOT_FOUND}, {ENOTDIR, ERROR_PATH_NOT_FOUND}, {EACCES, ERROR_ACCESS_DENIED},
    {EPERM, ERROR_ACCESS_DENIED},   {EISDIR, ERROR_ACCESS_DENIED},   {EROFS, ERROR_ACCESS_DENIED},
    {EEXIST, ERROR_ALREADY_EXISTS}, {EEXIST, ERROR_FILE_EXISTS},     {ENOMEM, ERROR_NOT_ENOUGH_MEMORY},
    {EBADF, ERROR_INVALID_HANDLE},  {ENOSPC, ERROR_DISK_FULL},       {EFBIG, ERROR_FILE_TOO_LARGE},
    {EIO, ERROR_WRITE_FAULT},
};

}  // namespace

extern "C" DWORD Win32ErrorFromErrno(int error) {
  for (const auto &row : kErrnoCodes)
    if (row.number == error) return row.code;
  return ERROR_WRITE_FAULT;
}

extern "C" int Win32ErrnoOfError(DWORD code) {
  for (const auto &row : kErrnoCodes)
    if (row.code == code) return row.number;
  return 0;
}

extern "C" size_t Win32PosixPath(const char *windows_path, char *buffer, size_t size) {
  const char *p = windows_path;
  size_t n = 0;
  bool has_drive = ((p[0] >= 'a' && p[0] <= 'z') || (p[0] >= 'A' && p[0] <= 'Z')) && p[1] == ':';
  if (has_drive) {
    p += 2;
    if (*p == '\\' || *p == '/') p++;
    if (size < 2) return 0;
    buffer[n++] = '/';
  }
  for (; *p; p++) {
    if (n + 1 >= size) return 0;
    buffer[n++] = *p == '\\' ? '/' : *p;
  }
  if (n == 0 || n >= size) return 0;
  buffer[n] = '\0';
  return n;
}

extern "C" HFILE WINAPI OpenFile(LPCSTR path, LPOFSTRUCT info, UINT style) {
  if (info) {
    memset(info, 0, sizeof *info);
    info->cBytes = sizeof *info;
  }
  PosixPath posix(path);
  if (!posix.ok) {
    if (info) info->nErrCode = ERROR_PATH_NOT_FOUND;
    return HFILE_ERROR;
  }
  int flags = (style & 3) == OF_WRITE ? O_WRONLY : (style & 3) == OF_READWRITE ? O_RDWR : O_RDONLY;
  int fd = open(posix.text, flags | O_CLOEXEC);
  if (fd < 0) {
    FailWithErrno();
    if (info) info->nErrCode = (WORD)GetLastError();
    return HFILE_ERROR;
  }
  if (info) snprintf(info->szPathName, sizeof info->szPathName, "%s", path);
  return fd;
}

extern "C" UINT WINAPI _lread(HFILE file, LPVOID buffer, UINT count) {
  UINT done = 0;
  while (done < count) {
    ssize_t got = read(file, static_cast<char *>(buffer) + done, count - done);
    if (got < 0 && errno == EINTR) continue;
    if (got < 0) {
      FailWithErrno();
      return (UINT)HFILE_ERROR;
    }
    if (got == 0) break;
    done += (UINT)got;
  }
  return done;
}

extern "C" LONG WINAPI _llseek(HFILE file, LONG offset, int origin) {
  int whence = origin == FILE_CURRENT ? SEEK_CUR : origin == FILE_END ? SEEK_END : SEEK_SET;
  off_t position = lseek(file, offset, whence);
  if (position < 0 || position > (off_t)INT32_MAX) {
    FailWithErrno();
    return HFILE_ERROR;
  }
  return (LONG)position;
}

extern "C" HFILE WINAPI _lclose(HFILE file) {
  if (close(file) != 0) {
    FailWithErrno();
    return HFILE_ERROR;
  }
  return 0;
}

extern "C" HANDLE WINAPI CreateFileA(LPCSTR path, DWORD access, DWORD share, LPSECURITY_ATTRIBUTES security,
                                     DWORD disposition, DWORD attributes, HANDLE template_file) {
  PosixPath posix(path);
  if (!posix.ok) return INVALID_HANDLE_VALUE;
  int flags = O_CLOEXEC;
  bool reads = access & GENERIC_READ, writes = access & GENERIC_WRITE;
  flags |= reads && writes ? O_RDWR : writes ? O_WRONLY : O_RDONLY;
  switch (disposition) {
    // Never through a link: Windows refuses a CREATE_NEW on any existing name.
    case CREATE_NEW: flags |= O_CREAT | O_EXCL | O_NOFOLLOW; break;
    case CREATE_ALWAYS: flags |= O_CREAT | O_TRUNC; break;
    case OPEN_ALWAYS: flags |= O_CREAT; break;
    case TRUNCATE_EXISTING: flags |= O_TRUNC; break;
    case OPEN_EXISTING: break;
    default: SetLastError(ERROR_INVALID_PARAMETER); return INVALID_HANDLE_VALUE;
  }
  // Any file may be started as a program on Windows; keep that true here.
  int fd = open(posix.text, flags, 0777);
  if (fd < 0) {
    if (disposition == CREATE_NEW && (errno == EEXIST || errno == ELOOP)) SetLastError(ERROR_FILE_EXISTS);
    else FailWithErrno();
    return INVALID_HANDLE_VALUE;
  }
  HANDLE handle = KernelHandleOpen(kKernelFile, fd, 0);
  if (!handle) {
    close(fd);
    SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    return INVALID_HANDLE_VALUE;
  }
  return handle;
}

extern "C" BOOL WINAPI WriteFile(HANDLE file, LPCVOID data, DWORD count, LPDWORD written, LPOVERLAPPED overlapped) {
  if (written) *written = 0;
  KernelHandle *object = KernelHandleGet(file, kKernelFile);
  if (!object) {
    SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
  }
  DWORD done = 0;
  while (done < count) {
    ssize_t put = write(object->fd, static_cast<const char *>(data) + done, count - done);
    if (put < 0 && errno == EINTR) continue;
    if (put <= 0) {
      FailWithErrno();
      if (written) *written = done;
      return FALSE;
    }
    done += (DWORD)put;
  }
  if (written) *written = done;
  return TRUE;
}

extern "C" BOOL WINAPI MoveFileA(LPCSTR from, LPCSTR to) {
  PosixPath source(from), target(to);
  if (!source.ok || !target.ok) return FALSE;
  // MoveFileA never replaces an existing target.
  if (renameat2(AT_FDCWD, source.text, AT_FDCWD, target.text, RENAME_NOREPLACE) == 0) return TRUE;
  if (errno != EINVAL && errno != ENOSYS) {
    FailWithErrno();
    return FALSE;
  }
  // File systems without RENAME_NOREPLACE: a hard link refuses an existing target too.
  if (link(source.text, target.text) != 0 || unlink(source.text) != 0) {
    FailWithErrno();
    return FALSE;
  }
  return TRUE;
}

extern "C" BOOL WINAPI DeleteFileA(LPCSTR path) {
  PosixPath posix(path);
  if (!posix.ok) return FALSE;
  if (unlink(posix.text) != 0) {
    FailWithErrno();
    return FALSE;
  }
  return TRUE;
}

extern "C" BOOL WINAPI DeleteFileW(LPCWSTR path) {
  // Wide names are UTF-16; the file system's names here are UTF-8.
  char narrow[PATH_MAX];
  if (!path ||
      WideCharToMultiByte(CP_UTF8, WC_ERR_INVALID_CHARS, path, -1, narrow, sizeof narrow, nullptr, nullptr) <= 0) {
    SetLastError(ERROR_PATH_NOT_FOUND);
    return FALSE;
  }
  return DeleteFileA(narrow);
}

extern "C" UINT WINAPI GetWindowsDirectoryA(LPSTR buffer, UINT size) {
  std::string directory;
  if (const char *windir = getenv("WINDIR"); windir && *windir) directory = windir;
  else if (!PrivateWindowsDirectory(directory)) return 0;
  size_t length = directory.size();
  if (length + 1 > size) return (UINT)(length + 1);
  memcpy(buffer, directory.c_str(), length + 1);
  return (UINT)length;
}

extern "C" DWORD WINAPI GetModuleFileNameA(HMODULE module, LPSTR buffer, DWORD size) {
  if (module) {
    SetLastError(ERROR_INVALID_HANDLE);  // only the program's own module is known here
    return 0;
  }
  if (size == 0) {
    SetLastError(ERROR_INSUFFICIENT_BUFFER);
    return 0;
  }
  char path[PATH_MAX];
  ssize_t length = readlink("/proc/self/exe", path, sizeof path - 1);
  if (length < 0) {
    FailWithErrno();
    return 0;
  }
  // Like Windows: a path that does not fit is cut and still terminated.
  if ((DWORD)length >= size) {
    memcpy(buffer, path, size - 1);
    buffer[size - 1] = '\0';
    SetLastError(ERROR_INSUFFICIENT_BUFFER);
    return size;
  }
  memcpy(buffer, path, (size_t)length);
  buffer[length] = '\0';
  return (DWORD)length;
}
