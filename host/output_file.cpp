// The output file: the checks before an export, and its state after a failed one.
#include "output_file.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <system_error>

#if __has_include(<sys/resource.h>)
#  include <sys/resource.h>
#  define QV_HOST_HAS_RLIMIT 1
#endif

namespace qvhost {

namespace {

// Less than this is too little room for another stretch of a media file.
constexpr std::uintmax_t kNearlyFull = 64 * 1024;

std::string Folder(const std::string &path) {
  std::filesystem::path parent = std::filesystem::path(path).parent_path();
  return parent.empty() ? std::string(".") : parent.string();
}

// The same file: by identity (device and file number) when both exist, so that a
// second name or a hard link is caught too; else by the names as written.
bool SameFile(const std::string &a, const std::string &b) {
  std::error_code error;
  bool same = std::filesystem::equivalent(a, b, error);
  if (!error) return same;
  std::filesystem::path left = std::filesystem::absolute(a, error).lexically_normal();
  std::filesystem::path right = std::filesystem::absolute(b, error).lexically_normal();
  return left == right;
}

// A name that is taken, also by a link whose target is missing: writing through it
// would create a file elsewhere.
bool NameTaken(const std::string &path) {
  std::error_code error;
  return std::filesystem::symlink_status(path, error).type() != std::filesystem::file_type::not_found && !error;
}

bool HasMediaExtension(const std::string &path) {
  std::string extension = std::filesystem::path(path).extension().string();
  std::transform(extension.begin(), extension.end(), extension.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return extension == ".wmv" || extension == ".asf";
}

}  // namespace

std::string OutputRefusal(const std::string &output, const std::vector<std::string> &inputs, bool replace) {
  for (const std::string &input : inputs)
    if (SameFile(output, input)) return output + " is also an input; writing it would destroy it";
  if (!HasMediaExtension(output))
    return output + " does not end in .wmv or .asf (the first name after export is the file to write)";
  std::error_code error;
  if (std::filesystem::is_directory(output, error)) return output + " is a folder";
  if (NameTaken(output) && !replace) return output + " exists; add --force (-y) to replace it";
  return WhyTheFileCannotBeCreated(output);
}

std::string WhyTheFileCannotBeCreated(const std::string &path) {
  std::string folder = Folder(path);
  std::error_code error;
  std::filesystem::file_status status = std::filesystem::status(folder, error);
  if (status.type() == std::filesystem::file_type::not_found) return "the folder " + folder + " does not exist";
  if (!error && status.type() != std::filesystem::file_type::directory) return folder + " is not a folder";
  // Appending changes nothing in a file that exists; one made here is removed again.
  bool existed = NameTaken(path);
  std::FILE *file = std::fopen(path.c_str(), "ab");
  if (!file) return (existed ? "cannot write " : "cannot create ") + path + ": " + std::strerror(errno);
  std::fclose(file);
  if (!existed) std::remove(path.c_str());
  return std::string();
}

bool FileExists(const std::string &path) {
  std::error_code error;
  return std::filesystem::exists(path, error);
}

std::string WhyTheFileCannotGrow(const std::string &path) {
  std::error_code error;
  std::filesystem::space_info space = std::filesystem::space(Folder(path), error);
  if (!error && space.available < kNearlyFull)
    return "the disk is full (" + std::to_string(space.available) + " bytes free)";
#ifdef QV_HOST_HAS_RLIMIT
  rlimit limit{};
  std::uintmax_t size = std::filesystem::file_size(path, error);
  if (getrlimit(RLIMIT_FSIZE, &limit) == 0 && limit.rlim_cur != RLIM_INFINITY && !error &&
      size + kNearlyFull > limit.rlim_cur)
    return "the file reached this process's file size limit of " + std::to_string(limit.rlim_cur) + " bytes";
#endif
  return std::string();
}

}  // namespace qvhost
