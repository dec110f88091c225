// File names: the runtime takes UTF-16, the file system here UTF-8 (reader and writer).
#ifndef QV_WMF_FILE_PATH_H
#define QV_WMF_FILE_PATH_H

#include <string>

#include "wmf.h"

namespace wmf {

// False for an unpaired surrogate or an empty name.
bool Utf8PathOf(const WCHAR *name, std::string *path);

}  // namespace wmf

#endif
