/* File and directory calls: OpenFile, _lread, _llseek, _lclose, CreateFileA, WriteFile, MoveFileA, DeleteFileA, GetWindowsDirectoryA, GetModuleFileNameA. */
#ifndef QV_WIN32_FILES_H
#define QV_WIN32_FILES_H

#include "types.h"

#endif
