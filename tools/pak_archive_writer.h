// Building and reading the archive that a setup carries after the launcher image.
#ifndef QV_TOOLS_PAK_ARCHIVE_WRITER_H
#define QV_TOOLS_PAK_ARCHIVE_WRITER_H

#include "pak_compressor.h"

#include <cstdint>
#include <ctime>
#include <string>
#include <vector>

struct PakInputFile {
  std::string stored_name;  // e.g. "c:\setup\runsetup.exe"
  std::vector<uint8_t> data;
  uint32_t file_date = 0;   // packed DOS date and time
};

struct PakEntryInfo {
  std::string name;
  uint8_t flags = 0;
  uint32_t file_date = 0;
  int32_t unpacked_size = 0;
  int32_t packed_size = 0;
  size_t data_offset = 0;   // of the entry's first block, within the read bytes
};

// Packed DOS date and time (local time) of a time stamp; years before 1980 give
// 1 January 1980.
uint32_t PakDosDateTime(std::time_t when);

// Why a file cannot be stored, or empty when it can.
std::string PakCheckInput(const PakInputFile &file);

// The archive: version word, one entry per file, terminator. The files must pass
// PakCheckInput.
std::vector<uint8_t> PakBuildArchive(const std::vector<PakInputFile> &files, PakParse parse,
                                     const PakProgress &progress = nullptr);

// A complete setup: the launcher padded to `pak_offset`, the archive, then `tail`.
// Fails (with `error` set) when the launcher is larger than `pak_offset`.
bool PakBuildSetup(const std::vector<uint8_t> &launcher, uint32_t pak_offset, const std::vector<uint8_t> &archive,
                   const std::vector<uint8_t> &tail, std::vector<uint8_t> &setup, std::string &error);

// Reads the entry list of the archive at `pak_offset`, up to its terminator.
bool PakReadEntries(const std::vector<uint8_t> &file, uint32_t pak_offset, std::vector<PakEntryInfo> &entries,
                    std::string &error);

// Decodes one entry read by PakReadEntries.
bool PakDecodeEntry(const std::vector<uint8_t> &file, const PakEntryInfo &entry, std::vector<uint8_t> &out,
                    std::string &error);

#endif
