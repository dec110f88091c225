// paktool: builds self-extracting setups (a launcher with an archive appended) and
// lists or extracts the archive of an existing one.
#include "pak_archive_writer.h"
#include "pak_name.h"
#include "qv_version.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <sys/stat.h>
#include <vector>

namespace {

const uint32_t kShippedPakOffset = 25088;

const char kUsage[] =
    "usage:\n"
    "  paktool build --launcher FILE --output FILE [--offset N] [--tail FILE]\n"
    "                [--greedy] FILE[=STORED_NAME]...\n"
    "      Writes the launcher, zero-padded to N bytes (default: the launcher's own\n"
    "      size, which the build pads to its archive offset), then an archive of the\n"
    "      files, then the tail file's bytes. Each file is stored under STORED_NAME\n"
    "      (default: its name without directories), e.g. 'c:\\setup\\runsetup.exe'.\n"
    "  paktool list [--offset N] SETUP\n"
    "  paktool extract [--offset N] [--dir DIR] SETUP\n"
    "      N defaults to 25088, the archive offset of the shipped launcher.\n"
    "  paktool --version\n";

bool ReadFile(const std::string &path, std::vector<uint8_t> &data) {
  FILE *f = std::fopen(path.c_str(), "rb");
  if (!f) {
    std::fprintf(stderr, "paktool: cannot open '%s': %s\n", path.c_str(), std::strerror(errno));
    return false;
  }
  data.clear();
  uint8_t buffer[65536];
  size_t got;
  while ((got = std::fread(buffer, 1, sizeof buffer, f)) > 0) data.insert(data.end(), buffer, buffer + got);
  bool ok = !std::ferror(f);
  std::fclose(f);
  if (!ok) std::fprintf(stderr, "paktool: cannot read '%s'\n", path.c_str());
  return ok;
}

bool WriteFile(const std::string &path, const std::vector<uint8_t> &data) {
  FILE *f = std::fopen(path.c_str(), "wb");
  if (!f) {
    std::fprintf(stderr, "paktool: cannot create '%s': %s\n", path.c_str(), std::strerror(errno));
    return false;
  }
  bool ok = std::fwrite(data.data(), 1, data.size(), f) == data.size();
  ok = std::fclose(f) == 0 && ok;
  if (!ok) {
    std::fprintf(stderr, "paktool: cannot write '%s'\n", path.c_str());
    std::remove(path.c_str());
  }
  return ok;
}

bool ParseOffset(const char *text, uint32_t &offset) {
  char *end = nullptr;
  errno = 0;
  unsigned long value = std::strtoul(text, &end, 0);
  if (errno || !end || *end || end == text || value > 0x7fffffffUL) {
    std::fprintf(stderr, "paktool: bad offset '%s'\n", text);
    return false;
  }
  offset = (uint32_t)value;
  return true;
}

std::string BaseName(const std::string &path) {
  size_t cut = path.find_last_of("/\\");
  return cut == std::string::npos ? path : path.substr(cut + 1);
}

int Build(int argc, char **argv) {
  std::string launcher_path, output_path, tail_path;
  bool have_offset = false;
  uint32_t offset = 0;
  PakParse parse = PakParse::kOptimal;
  std::vector<std::string> inputs;
  for (int i = 0; i < argc; i++) {
    std::string arg = argv[i];
    bool has_value = i + 1 < argc;
    if (arg == "--launcher" && has_value) launcher_path = argv[++i];
    else if (arg == "--output" && has_value) output_path = argv[++i];
    else if (arg == "--tail" && has_value) tail_path = argv[++i];
    else if (arg == "--offset" && has_value) {
      if (!ParseOffset(argv[++i], offset)) return 2;
      have_offset = true;
    } else if (arg == "--greedy") parse = PakParse::kGreedy;
    else if (arg.rfind("--", 0) == 0) {
      std::fprintf(stderr, "paktool: unknown or incomplete option '%s'\n%s", arg.c_str(), kUsage);
      return 2;
    } else inputs.push_back(arg);
  }
  if (launcher_path.empty() || output_path.empty() || inputs.empty()) {
    std::fprintf(stderr, "%s", kUsage);
    return 2;
  }

  std::vector<uint8_t> launcher, tail;
  if (!ReadFile(launcher_path, launcher)) return 1;
  if (!tail_path.empty() && !ReadFile(tail_path, tail)) return 1;
  if (!have_offset) offset = (uint32_t)launcher.size();

  std::vector<PakInputFile> files;
  for (const std::string &input : inputs) {
    size_t equals = input.find('=');
    PakInputFile file;
    std::string path = equals == std::string::npos ? input : input.substr(0, equals);
    file.stored_name = equals == std::string::npos ? BaseName(input) : input.substr(equals + 1);
    struct stat info;
    if (stat(path.c_str(), &info) != 0) {
      std::fprintf(stderr, "paktool: input '%s' is missing: %s\n", path.c_str(), std::strerror(errno));
      return 1;
    }
    if (!ReadFile(path, file.data)) return 1;
    file.file_date = PakDosDateTime(info.st_mtime);
    std::string problem = PakCheckInput(file);
    if (!problem.empty()) {
      std::fprintf(stderr, "paktool: cannot store '%s': %s\n", path.c_str(), problem.c_str());
      return 1;
    }
    files.push_back(std::move(file));
  }

  std::vector<uint8_t> archive = PakBuildArchive(files, parse), setup;
  std::string error;
  if (!PakBuildSetup(launcher, offset, archive, tail, setup, error)) {
    std::fprintf(stderr, "paktool: %s\n", error.c_str());
    return 1;
  }
  if (!WriteFile(output_path, setup)) return 1;
  std::printf("%s: launcher %zu bytes, archive at %u, %zu bytes for %zu file(s), tail %zu bytes\n",
              output_path.c_str(), launcher.size(), offset, archive.size(), files.size(), tail.size());
  return 0;
}

// Shared by list and extract: reads SETUP and its entry list.
int OpenSetup(int argc, char **argv, std::string &dir, std::vector<uint8_t> &file, std::vector<PakEntryInfo> &entries) {
  uint32_t offset = kShippedPakOffset;
  std::string path;
  for (int i = 0; i < argc; i++) {
    std::string arg = argv[i];
    if (arg == "--offset" && i + 1 < argc) {
      if (!ParseOffset(argv[++i], offset)) return 2;
    } else if (arg == "--dir" && i + 1 < argc) {
      dir = argv[++i];
    } else if (arg.rfind("--", 0) == 0 || !path.empty()) {
      std::fprintf(stderr, "%s", kUsage);
      return 2;
    } else {
      path = arg;
    }
  }
  if (path.empty()) {
    std::fprintf(stderr, "%s", kUsage);
    return 2;
  }
  if (!ReadFile(path, file)) return 1;
  std::string error;
  if (!PakReadEntries(file, offset, entries, error)) {
    std::fprintf(stderr, "paktool: %s: %s\n", path.c_str(), error.c_str());
    return 1;
  }
  return 0;
}

int List(int argc, char **argv) {
  std::string dir;
  std::vector<uint8_t> file;
  std::vector<PakEntryInfo> entries;
  if (int status = OpenSetup(argc, argv, dir, file, entries)) return status;
  std::printf("%-10s %-10s %-6s %-19s %s\n", "unpacked", "packed", "method", "date", "name");
  for (const PakEntryInfo &e : entries) {
    uint32_t date = e.file_date >> 16, time = e.file_date & 0xffff;
    std::printf("%-10d %-10d %-6s %04u-%02u-%02u %02u:%02u:%02u %s\n", e.unpacked_size, e.packed_size,
                e.flags & 1 ? "lz" : "stored", 1980 + (date >> 9), (date >> 5) & 15, date & 31, time >> 11,
                (time >> 5) & 63, (time & 31) * 2, e.name.c_str());
  }
  return 0;
}

int Extract(int argc, char **argv) {
  std::string dir = ".";
  std::vector<uint8_t> file;
  std::vector<PakEntryInfo> entries;
  if (int status = OpenSetup(argc, argv, dir, file, entries)) return status;
  int status = 0;
  for (const PakEntryInfo &e : entries) {
    // As the launcher does, only the part after the last backslash names the file;
    // names that could leave the directory are refused.
    std::string name = PakFileNamePart(e.name.c_str());
    if (!PakIsPlainFileName(name.c_str())) {
      std::fprintf(stderr, "paktool: skipping entry '%s': no usable file name\n", e.name.c_str());
      status = 1;
      continue;
    }
    std::vector<uint8_t> data;
    std::string error;
    if (!PakDecodeEntry(file, e, data, error)) {
      std::fprintf(stderr, "paktool: %s\n", error.c_str());
      status = 1;
      continue;
    }
    std::string out = dir + "/" + name;
    if (!WriteFile(out, data)) {
      status = 1;
      continue;
    }
    std::printf("%s (%zu bytes)\n", out.c_str(), data.size());
  }
  return status;
}

}  // namespace

int main(int argc, char **argv) {
  if (argc < 2) {
    std::fprintf(stderr, "%s", kUsage);
    return 2;
  }
  std::string command = argv[1];
  if (command == "build") return Build(argc - 2, argv + 2);
  if (command == "list") return List(argc - 2, argv + 2);
  if (command == "extract") return Extract(argc - 2, argv + 2);
  if (command == "--version") {
    std::printf("paktool %s\n", QV_VERSION_TEXT);
    return 0;
  }
  std::fprintf(stderr, "%s", kUsage);
  return 2;
}
