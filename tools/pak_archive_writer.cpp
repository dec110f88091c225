#include "pak_archive_writer.h"
#include "pak_decoder.h"
#include "pak_format.h"
#include "pak_name.h"

#include <limits>

namespace {

void PutLe32(std::vector<uint8_t> &out, uint32_t v) {
  for (int i = 0; i < 4; i++) out.push_back((uint8_t)(v >> (8 * i)));
}

uint32_t GetLe32(const uint8_t *p) {
  return (uint32_t)p[0] | (uint32_t)p[1] << 8 | (uint32_t)p[2] << 16 | (uint32_t)p[3] << 24;
}

}  // namespace

uint32_t PakDosDateTime(std::time_t when) {
  std::tm *local = std::localtime(&when);
  if (!local || local->tm_year < 80) return (1u << 5 | 1u) << 16;
  uint32_t date = (uint32_t)(local->tm_year - 80) << 9 | (uint32_t)(local->tm_mon + 1) << 5 | (uint32_t)local->tm_mday;
  uint32_t time = (uint32_t)local->tm_hour << 11 | (uint32_t)local->tm_min << 5 | (uint32_t)local->tm_sec / 2;
  return date << 16 | time;
}

std::string PakCheckInput(const PakInputFile &file) {
  if (file.data.empty())
    return "'" + file.stored_name + "' is empty; an empty entry would read as the end of the archive";
  if (file.stored_name.size() > kPakMaxNameLength)
    return "stored name '" + file.stored_name + "' is longer than 255 bytes";
  if (file.stored_name.find('\0') != std::string::npos) return "stored name contains a zero byte";
  if (!PakIsPlainFileName(PakFileNamePart(file.stored_name.c_str())))
    return "stored name '" + file.stored_name +
           "' does not end in a plain file name: the part after its last backslash must not be empty, "
           "\".\" or \"..\", nor hold \"/\" or \":\" (the launcher would refuse it)";
  // Leave room for the block length words within a signed 32-bit PackedSize.
  if (file.data.size() > (size_t)std::numeric_limits<int32_t>::max() / 2)
    return "'" + file.stored_name + "' is too large for the archive";
  return "";
}

std::vector<uint8_t> PakBuildArchive(const std::vector<PakInputFile> &files, PakParse parse,
                                     const PakProgress &progress) {
  std::vector<uint8_t> out{(uint8_t)kPakVersion, (uint8_t)(kPakVersion >> 8)};
  for (const PakInputFile &file : files) {
    PakEncodedEntry entry = PakEncodeEntry(file.data.data(), file.data.size(), parse, progress);
    out.push_back((uint8_t)file.stored_name.size());
    out.insert(out.end(), file.stored_name.begin(), file.stored_name.end());
    out.push_back(entry.compressed ? (uint8_t)kPakFlagCompressed : (uint8_t)0);
    PutLe32(out, file.file_date);
    PutLe32(out, (uint32_t)file.data.size());
    PutLe32(out, (uint32_t)entry.blocks.size());
    out.insert(out.end(), entry.blocks.begin(), entry.blocks.end());
  }
  out.insert(out.end(), 1 + kPakFixedHeaderSize, 0);  // the terminator
  return out;
}

bool PakBuildSetup(const std::vector<uint8_t> &launcher, uint32_t pak_offset, const std::vector<uint8_t> &archive,
                   const std::vector<uint8_t> &tail, std::vector<uint8_t> &setup, std::string &error) {
  if (launcher.size() > pak_offset) {
    error = "the launcher is " + std::to_string(launcher.size()) + " bytes, larger than its archive offset " +
            std::to_string(pak_offset) + "; the launcher would not find the archive";
    return false;
  }
  setup = launcher;
  setup.resize(pak_offset, 0);
  setup.insert(setup.end(), archive.begin(), archive.end());
  setup.insert(setup.end(), tail.begin(), tail.end());
  return true;
}

bool PakReadEntries(const std::vector<uint8_t> &file, uint32_t pak_offset, std::vector<PakEntryInfo> &entries,
                    std::string &error) {
  entries.clear();
  if (file.size() < (size_t)pak_offset + 2) {
    error = "the file ends before the archive offset " + std::to_string(pak_offset);
    return false;
  }
  if ((file[pak_offset] | file[pak_offset + 1] << 8) != kPakVersion) {
    error = "no archive at offset " + std::to_string(pak_offset) + " (version word is not 256)";
    return false;
  }
  size_t at = (size_t)pak_offset + 2;
  for (;;) {
    if (at >= file.size()) {
      error = "the archive ends without its terminator";
      return false;
    }
    size_t name_length = file[at];
    if (file.size() - at < 1 + name_length + kPakFixedHeaderSize) {
      error = "the archive is cut off inside an entry header";
      return false;
    }
    PakEntryInfo entry;
    entry.name.assign((const char *)&file[at + 1], name_length);
    entry.name = entry.name.c_str();  // the launcher stops a name at its first zero byte
    const uint8_t *fixed = &file[at + 1 + name_length];
    entry.flags = fixed[0];
    entry.file_date = GetLe32(fixed + 1);
    entry.unpacked_size = (int32_t)GetLe32(fixed + 5);
    entry.packed_size = (int32_t)GetLe32(fixed + 9);
    entry.data_offset = at + 1 + name_length + kPakFixedHeaderSize;
    if (entry.packed_size == 0) return true;
    if (entry.packed_size < 0 || file.size() - entry.data_offset < (size_t)entry.packed_size) {
      error = "entry '" + entry.name + "' runs past the end of the file";
      return false;
    }
    entries.push_back(entry);
    at = entry.data_offset + (size_t)entry.packed_size;
  }
}

bool PakDecodeEntry(const std::vector<uint8_t> &file, const PakEntryInfo &entry, std::vector<uint8_t> &out,
                    std::string &error) {
  out.clear();
  error = "entry '" + entry.name + "' is corrupt";
  if (entry.unpacked_size <= 0) return false;
  std::vector<uint8_t> window(kPakWindowSize);
  PakEntryDecoder decoder;
  PakEntryDecoderStart(decoder, window.data(), (uint32_t)entry.unpacked_size, entry.flags & kPakFlagCompressed);
  size_t at = entry.data_offset, end = entry.data_offset + (size_t)entry.packed_size;
  while (!PakEntryDecoderDone(decoder)) {
    if (end - at < 2) return false;
    uint32_t length = file[at] | file[at + 1] << 8;
    at += 2;
    if (end - at < length) return false;
    int32_t produced = PakEntryDecodeBlock(decoder, file.data() + at, length);
    if (produced < 0) return false;
    out.insert(out.end(), PakEntryBlockOutput(decoder), PakEntryBlockOutput(decoder) + produced);
    at += length;
  }
  error.clear();
  return true;
}
