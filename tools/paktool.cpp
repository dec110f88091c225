// paktool: builds self-extracting setups (a launcher with an archive appended) and
// lists or extracts the archive of an existing one.
#include "pak_archive_writer.h"
#include "pak_name.h"
#include "pak_output_file.h"
#include "pak_setup_layout.h"
#include "qv_version.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <set>
#include <string>
#include <sys/stat.h>
#include <vector>

namespace fs = std::filesystem;

namespace {

void PrintUsage(FILE *to) {
  std::fprintf(to,
               "usage:\n"
               "  paktool build --launcher FILE --output FILE [--offset N] [--tail FILE]\n"
               "                [--greedy] [--force|-y] FILE[=STORED_NAME]...\n"
               "      Writes the launcher, zero-padded to N bytes, then an archive of the files,\n"
               "      then the tail file's bytes, and marks the output executable. N defaults to\n"
               "      the launcher's size, which the build pads to its archive offset:\n"
               "      %s.\n"
               "      Each file is stored under STORED_NAME (default: its name without\n"
               "      directories), e.g. 'c:\\setup\\runsetup.exe'. Entries are compressed with\n"
               "      the smallest encoding the format allows; --greedy takes the longest match\n"
               "      at each step instead: faster, but the archive is larger.\n"
               "  paktool list [--offset N] SETUP\n"
               "  paktool extract [--offset N] [--dir DIR] [--force|-y] SETUP\n"
               "      Without --offset the archive is looked for at each build's offset, and the\n"
               "      one found is named. extract writes into DIR (default: the current folder),\n"
               "      creating it.\n"
               "  paktool --help | --version\n"
               "build and extract replace no existing file unless --force (-y) is given, and\n"
               "never a file they read from.\n",
               PakBuildOffsetsText().c_str());
}

bool IsHelp(const std::string &arg) { return arg == "--help" || arg == "-h"; }

// The value of the option at argv[i], advancing i; says so when the value is missing.
bool TakeValue(const char *command, int argc, char **argv, int &i, const char *what, std::string &value) {
  if (i + 1 >= argc) {
    std::fprintf(stderr, "paktool %s: %s needs %s\n", command, argv[i], what);
    return false;
  }
  value = argv[++i];
  return true;
}

int Missing(const char *command, const char *what) {
  std::fprintf(stderr, "paktool %s: missing %s (paktool --help shows the usage)\n", command, what);
  return 2;
}

int UnknownOption(const char *command, const std::string &arg) {
  std::fprintf(stderr, "paktool %s: unknown option '%s' (paktool --help shows the usage)\n", command, arg.c_str());
  return 2;
}

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

bool ParseOffset(const char *command, const std::string &text, uint32_t &offset) {
  char *end = nullptr;
  errno = 0;
  unsigned long value = std::strtoul(text.c_str(), &end, 0);
  if (errno || !end || *end || end == text.c_str() || value > 0x7fffffffUL) {
    std::fprintf(stderr, "paktool %s: bad offset '%s'\n", command, text.c_str());
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
  std::string launcher_path, output_path, tail_path, offset_text;
  PakParse parse = PakParse::kOptimal;
  bool force = false;
  std::vector<std::string> inputs;
  for (int i = 0; i < argc; i++) {
    std::string arg = argv[i];
    bool ok = true;
    if (arg == "--launcher") ok = TakeValue("build", argc, argv, i, "a FILE", launcher_path);
    else if (arg == "--output") ok = TakeValue("build", argc, argv, i, "a FILE", output_path);
    else if (arg == "--tail") ok = TakeValue("build", argc, argv, i, "a FILE", tail_path);
    else if (arg == "--offset") ok = TakeValue("build", argc, argv, i, "a number N", offset_text);
    else if (arg == "--greedy") parse = PakParse::kGreedy;
    else if (arg == "--force" || arg == "-y") force = true;
    else if (arg.rfind("--", 0) == 0) return UnknownOption("build", arg);
    else inputs.push_back(arg);
    if (!ok) return 2;
  }
  if (launcher_path.empty()) return Missing("build", "--launcher FILE, the launcher program to put in front");
  if (output_path.empty()) return Missing("build", "--output FILE, the setup to write");
  if (inputs.empty()) return Missing("build", "the files to store, FILE[=STORED_NAME]...");
  bool have_offset = !offset_text.empty();
  uint32_t offset = 0;
  if (have_offset && !ParseOffset("build", offset_text, offset)) return 2;

  // Asked before the inputs are read and packed, so that a refusal comes at once.
  std::vector<std::string> sources = {launcher_path};
  if (!tail_path.empty()) sources.push_back(tail_path);
  for (const std::string &input : inputs) sources.push_back(input.substr(0, input.find('=')));
  std::string refusal = PakOutputRefusal(output_path, sources, force);
  if (!refusal.empty()) {
    std::fprintf(stderr, "paktool build: %s\n", refusal.c_str());
    return 2;
  }

  std::vector<uint8_t> launcher, tail;
  if (!ReadFile(launcher_path, launcher)) return 1;
  std::string problem = PakCheckLauncher(launcher, have_offset, offset);
  if (!problem.empty()) {
    std::fprintf(stderr, "paktool build: cannot use '%s' as the launcher: %s\n", launcher_path.c_str(),
                 problem.c_str());
    return 1;
  }
  if (!tail_path.empty() && !ReadFile(tail_path, tail)) return 1;

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
  if (!PakWriteWholeFile(output_path, setup, true, error)) {
    std::fprintf(stderr, "paktool build: %s\n", error.c_str());
    return 1;
  }
  std::printf("%s: launcher %zu bytes, archive at %u, %zu bytes for %zu file(s), tail %zu bytes\n",
              output_path.c_str(), launcher.size(), offset, archive.size(), files.size(), tail.size());
  return 0;
}

// Without --offset: the one build's offset where an archive reads whole, or else where
// one starts, so that a damaged archive (a cut-off copy, say) is named with what is
// wrong with it. Says which offset it took.
bool LocateArchive(const char *command, const std::string &path, const std::vector<uint8_t> &file,
                   uint32_t &offset) {
  std::vector<PakBuildOffset> found = PakFindArchives(file);
  if (found.empty())
    for (const PakBuildOffset &build : kPakBuildOffsets)
      if (PakArchiveStartsAt(file, build.offset)) found.push_back(build);
  if (found.size() == 1) {
    offset = found[0].offset;
    std::printf("archive at offset %u, the %s launcher's\n", offset, found[0].build);
    return true;
  }
  if (found.empty()) {
    std::fprintf(stderr, "paktool %s: '%s' holds no archive at any build's offset (%s); give --offset N\n", command,
                 path.c_str(), PakBuildOffsetsText().c_str());
  } else {
    std::string where;
    for (const PakBuildOffset &build : found) where += (where.empty() ? "" : " and ") + std::to_string(build.offset);
    std::fprintf(stderr, "paktool %s: '%s' holds archives at %s; choose one with --offset N\n", command, path.c_str(),
                 where.c_str());
  }
  return false;
}

// Shared by list and extract: reads SETUP (its name goes to `path`) and the entry list
// of its archive, at --offset or where LocateArchive finds it. `dir` and `force` take
// --dir and --force, for the command that has them.
int OpenSetup(const char *command, int argc, char **argv, std::string *dir, bool *force, std::string &path,
              std::vector<uint8_t> &file, std::vector<PakEntryInfo> &entries) {
  std::string offset_text;
  for (int i = 0; i < argc; i++) {
    std::string arg = argv[i];
    bool ok = true;
    if (arg == "--offset") ok = TakeValue(command, argc, argv, i, "a number N", offset_text);
    else if (arg == "--dir" && dir) ok = TakeValue(command, argc, argv, i, "a folder DIR", *dir);
    else if ((arg == "--force" || arg == "-y") && force) *force = true;
    else if (arg.rfind("--", 0) == 0) return UnknownOption(command, arg);
    else if (!path.empty()) {
      std::fprintf(stderr, "paktool %s: one SETUP at a time, got '%s' and '%s'\n", command, path.c_str(),
                   arg.c_str());
      return 2;
    } else path = arg;
    if (!ok) return 2;
  }
  if (path.empty()) return Missing(command, "SETUP, the setup file to read");
  uint32_t offset = 0;
  if (!offset_text.empty() && !ParseOffset(command, offset_text, offset)) return 2;
  if (!ReadFile(path, file)) return 1;

  if (offset_text.empty() && !LocateArchive(command, path, file, offset)) return 1;
  std::string error;
  if (!PakReadEntries(file, offset, entries, error)) {
    std::fprintf(stderr, "paktool %s: %s: %s\n", command, path.c_str(), error.c_str());
    return 1;
  }
  return 0;
}

int List(int argc, char **argv) {
  std::string path;
  std::vector<uint8_t> file;
  std::vector<PakEntryInfo> entries;
  if (int status = OpenSetup("list", argc, argv, nullptr, nullptr, path, file, entries)) return status;
  std::printf("%-10s %-10s %-6s %-19s %s\n", "unpacked", "packed", "method", "date", "name");
  for (const PakEntryInfo &e : entries) {
    uint32_t date = e.file_date >> 16, time = e.file_date & 0xffff;
    std::printf("%-10d %-10d %-6s %04u-%02u-%02u %02u:%02u:%02u %s\n", e.unpacked_size, e.packed_size,
                e.flags & 1 ? "lz" : "stored", 1980 + (date >> 9), (date >> 5) & 15, date & 31, time >> 11,
                (time >> 5) & 63, (time & 31) * 2, e.name.c_str());
  }
  return 0;
}

// Where each entry goes: as the launcher does, only the part after the last backslash
// names the file; an entry whose name could leave the folder gets an empty one.
std::vector<std::string> OutputNames(const std::string &dir, const std::vector<PakEntryInfo> &entries) {
  std::vector<std::string> outputs;
  for (const PakEntryInfo &e : entries) {
    std::string name = PakFileNamePart(e.name.c_str());
    outputs.push_back(PakIsPlainFileName(name.c_str()) ? dir + "/" + name : std::string());
  }
  return outputs;
}

// Every file extract would write, asked before the first is: none may be the setup,
// a folder, or (unless `force`) a file already there or one an earlier entry writes.
bool MayWriteAll(const std::string &setup, const std::vector<std::string> &outputs, bool force) {
  bool may = true;
  std::set<std::string> written;
  for (const std::string &out : outputs) {
    if (out.empty()) continue;
    // A name met again was judged already; only the clash is new.
    bool again = !written.insert(out).second;
    std::string refusal;
    if (!again) refusal = PakOutputRefusal(out, {setup}, force);
    else if (!force) refusal = "the archive holds two entries for '" + out + "'; add --force (-y) to keep the later one";
    if (!refusal.empty()) {
      std::fprintf(stderr, "paktool extract: %s\n", refusal.c_str());
      may = false;
    }
  }
  return may;
}

int Extract(int argc, char **argv) {
  std::string dir = ".", path;
  bool force = false;
  std::vector<uint8_t> file;
  std::vector<PakEntryInfo> entries;
  if (int status = OpenSetup("extract", argc, argv, &dir, &force, path, file, entries)) return status;
  std::vector<std::string> outputs = OutputNames(dir, entries);
  if (!MayWriteAll(path, outputs, force)) return 2;
  std::error_code made;
  fs::create_directories(dir, made);
  if (made) {
    std::fprintf(stderr, "paktool extract: cannot create the folder '%s': %s\n", dir.c_str(), made.message().c_str());
    return 1;
  }
  int status = 0;
  for (size_t i = 0; i < entries.size(); i++) {
    const PakEntryInfo &e = entries[i];
    if (outputs[i].empty()) {
      std::fprintf(stderr, "paktool: skipping entry '%s': no usable file name\n", e.name.c_str());
      status = 1;
      continue;
    }
    std::vector<uint8_t> data;
    std::string error;
    if (!PakDecodeEntry(file, e, data, error) || !PakWriteWholeFile(outputs[i], data, false, error)) {
      std::fprintf(stderr, "paktool: %s\n", error.c_str());
      status = 1;
      continue;
    }
    std::printf("%s (%zu bytes)\n", outputs[i].c_str(), data.size());
  }
  return status;
}

}  // namespace

int main(int argc, char **argv) {
  if (argc < 2) {
    PrintUsage(stderr);
    return 2;
  }
  std::string command = argv[1];
  for (int i = 1; i < argc; i++)
    if (IsHelp(argv[i])) {
      PrintUsage(stdout);
      return 0;
    }
  if (command == "build") return Build(argc - 2, argv + 2);
  if (command == "list") return List(argc - 2, argv + 2);
  if (command == "extract") return Extract(argc - 2, argv + 2);
  if (command == "--version") {
    std::printf("paktool %s\n", QV_VERSION_TEXT);
    return 0;
  }
  std::fprintf(stderr, "paktool: unknown command '%s'; the commands are build, list and extract "
                       "(paktool --help shows the usage)\n", command.c_str());
  return 2;
}
