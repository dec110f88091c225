#include "pak_setup_layout.h"
#include "pak_archive_writer.h"
#include "pak_format.h"

#include <cstring>

namespace {

bool ArchiveReadsAt(const std::vector<uint8_t> &file, uint32_t offset) {
  std::vector<PakEntryInfo> entries;
  std::string error;
  return PakReadEntries(file, offset, entries, error);
}

// Windows (PE) and Linux (ELF) executables: the images the builds make.
bool IsProgramImage(const std::vector<uint8_t> &image) {
  return (image.size() >= 2 && image[0] == 'M' && image[1] == 'Z') ||
         (image.size() >= 4 && std::memcmp(image.data(), "\x7f" "ELF", 4) == 0);
}

}  // namespace

std::vector<PakBuildOffset> PakFindArchives(const std::vector<uint8_t> &file) {
  std::vector<PakBuildOffset> found;
  for (const PakBuildOffset &build : kPakBuildOffsets)
    if (ArchiveReadsAt(file, build.offset)) found.push_back(build);
  return found;
}

bool PakArchiveStartsAt(const std::vector<uint8_t> &file, uint32_t offset) {
  return file.size() >= (size_t)offset + 2 && (file[offset] | file[offset + 1] << 8) == kPakVersion;
}

std::string PakBuildOffsetsText() {
  std::string text;
  size_t count = sizeof kPakBuildOffsets / sizeof kPakBuildOffsets[0];
  for (size_t i = 0; i < count; i++) {
    if (i > 0) text += i + 1 == count ? " or " : ", ";
    text += std::to_string(kPakBuildOffsets[i].offset) + " (" + kPakBuildOffsets[i].build + ")";
  }
  return text;
}

std::string PakCheckLauncher(const std::vector<uint8_t> &image, bool offset_given, uint32_t &offset) {
  if (image.empty()) return "the file is empty";
  if (!IsProgramImage(image)) return "it is not a program (neither a Windows nor a Linux executable)";
  // A setup passed in place of its launcher would keep its old archive where the
  // launcher reads, whatever offset the new one is given.
  std::vector<uint32_t> looked_at;
  for (const PakBuildOffset &build : kPakBuildOffsets) looked_at.push_back(build.offset);
  if (offset_given) looked_at.push_back(offset);
  for (uint32_t at : looked_at)
    if (image.size() > at && ArchiveReadsAt(image, at))
      return "it is a setup already (an archive starts at " + std::to_string(at) +
             "): give the launcher it was built from";
  if (offset_given) {
    if (image.size() <= offset) return "";
    return "it is " + std::to_string(image.size()) + " bytes, larger than its archive offset " +
           std::to_string(offset) + "; the launcher would not find the archive";
  }
  for (const PakBuildOffset &build : kPakBuildOffsets)
    if (image.size() == build.offset) {
      offset = build.offset;
      return "";
    }
  return "it is " + std::to_string(image.size()) +
         " bytes, but a launcher is padded to its build's archive offset, " + PakBuildOffsetsText() +
         "; give --offset N for a launcher built with another";
}
