// File names: the runtime takes UTF-16, the file system here UTF-8, FFmpeg names of
// its own (reader and writer).
#ifndef QV_WMF_FILE_PATH_H
#define QV_WMF_FILE_PATH_H

#include <string>

#include "wmf.h"

namespace wmf {

// The POSIX path a Windows file name names, as every file call of the platform
// maps it (backslashes, drive prefix). False for an unpaired surrogate, an empty name
// or one too long for the file system.
bool Utf8PathOf(const WCHAR *name, std::string *path);

// The name FFmpeg opens the local file at `path` by, reading or writing: a bare name
// with a colon before any slash (2024-05-01T10:30:00.wmv) would name a protocol.
std::string FfmpegFileName(const std::string &path);

}  // namespace wmf

#endif
