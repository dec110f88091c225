/* Extracting an entry into the destination directory: decoded into "$mvsetup.tmp"
 * there, then renamed to the file-name part of the entry's name. */
#ifndef QV_LAUNCHER_PAK_EXTRACT_H
#define QV_LAUNCHER_PAK_EXTRACT_H

#include "pak_archive.h"
#include "pak_name.h"

extern const char kPakTempFileName[];

/* The longest directory text the destination keeps whole; SetPakDestDir cuts a longer
 * one, so callers refuse such a directory rather than extract somewhere else. */
enum { kPakMaxDestDirLength = 255 };

/* Sets the destination directory; it always ends in a backslash unless empty. */
void SetPakDestDir(const char *directory);
const char *PakDestDir();
/* Releases the destination directory at shutdown. */
void ClearPakDestDir();

/* True only when the entry equal to `header` was found, decoded without fault and
 * written under its final name. A name whose file-name part is not a plain file name
 * (pak_name.h) is refused before anything is written. On any failure the temporary
 * file is removed. */
bool ExtractPakFile(HFILE file, TPakFileHeader header);

#endif
