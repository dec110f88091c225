/* Stored names: only the part after the last backslash names the extracted file, and
 * that part must name a file directly in the destination directory. The launcher
 * refuses any other name, and the archive writer never stores one. */
#ifndef QV_LAUNCHER_PAK_NAME_H
#define QV_LAUNCHER_PAK_NAME_H

#include <string.h>

/* The part of a stored name after its last backslash. */
inline const char *PakFileNamePart(const char *name) {
  const char *backslash = strrchr(name, '\\');
  return backslash ? backslash + 1 : name;
}

/* False for a part that could name a file outside the destination directory, or the
 * directory itself: Windows takes "/" as a separator and ":" as a drive or a stream,
 * and trims trailing dots and spaces, so a part made only of those (empty, ".", "..",
 * ".. ") names the directory or its parent. Real names never hold any of these. */
inline bool PakIsPlainFileName(const char *part) {
  if (strpbrk(part, "/:")) return false;
  return part[strspn(part, ". ")] != '\0';
}

#endif
