// Where a setup's archive starts: the launcher in front of it is padded to its build's
// archive offset, so the builds' offsets tell where to look, and a launcher image can
// be judged before a setup is built around it.
#ifndef QV_TOOLS_PAK_SETUP_LAYOUT_H
#define QV_TOOLS_PAK_SETUP_LAYOUT_H

#include "pak_offsets.h"

#include <cstdint>
#include <string>
#include <vector>

// The builds' offsets at which an archive reads whole in `file`.
std::vector<PakBuildOffset> PakFindArchives(const std::vector<uint8_t> &file);

// Whether an archive's version word stands at `offset` of `file`: an archive starts
// there, though it may not read whole.
bool PakArchiveStartsAt(const std::vector<uint8_t> &file, uint32_t offset);

// "25088 (win32), 32768 (win64) or 65536 (linux)", for messages.
std::string PakBuildOffsetsText();

// Why `image` cannot be the launcher of a setup, or empty when it can. With
// `offset_given` the archive goes at `offset`; without, `offset` is set to the image's
// size, which must be one of the builds' offsets.
std::string PakCheckLauncher(const std::vector<uint8_t> &image, bool offset_given, uint32_t &offset);

#endif
