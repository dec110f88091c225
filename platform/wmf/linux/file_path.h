// File names: the runtime takes UTF-16, the file system here UTF-8 (reader and writer).
#ifndef QV_WMF_FILE_PATH_H
#define QV_WMF_FILE_PATH_H

#include <string>

#include "wmf.h"

namespace wmf {

// The POSIX path a Windows file name names, as every file call of the platform
// maps it (backslashes, drive prefix). False for an unpaired surrogate, an empty name
// or one too long for the file system.
bool Utf8PathOf(const WCHAR *name, std::string *path);

}  // namespace wmf

#endif
