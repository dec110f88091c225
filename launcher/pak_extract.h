/* Extracting an entry into the destination directory: decoded into "$mvsetup.tmp"
 * there, then renamed to the file-name part of the entry's name. */
#ifndef QV_LAUNCHER_PAK_EXTRACT_H
#define QV_LAUNCHER_PAK_EXTRACT_H

#include "pak_archive.h"

extern const char kPakTempFileName[];

/* Sets the destination directory; it always ends in a backslash unless empty. */
void SetPakDestDir(const char *directory);
const char *PakDestDir();
/* Releases the destination directory at shutdown. */
void ClearPakDestDir();

/* The part of a stored name after its last backslash. */
const char *PakFileNamePart(const char *name);

/* True only when the entry equal to `header` was found, decoded without fault and
 * written under its final name. On any failure the temporary file is removed. */
bool ExtractPakFile(HFILE file, TPakFileHeader header);

#endif
