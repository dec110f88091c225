// The output file: the checks before a command writes it, and its state after a
// failed export.
#include "output_file.h"

#include <filesystem>
#include <system_error>

#include "whole_file.h"

#if __has_include(<sys/resource.h>)
#  include <sys/resource.h>
#  define QV_HOST_HAS_RLIMIT 1
#endif

namespace qvhost {

namespace fs = std::filesystem;

namespace {

// Less than this is too little room for another stretch of a media file.
constexpr std::uintmax_t kNearlyFull = 64 * 1024;

std::string Folder(const std::string &path) {
  fs::path parent = fs::path(path).parent_path();
  return parent.empty() ? std::string(".") : parent.string();
}

}  // namespace

std::string OutputRefusal(const std::string &output, const std::vector<std::string> &inputs, bool replace,
                          const std::string &misnamed) {
  for (const std::string &input : inputs)
    if (wholefile::SameFile(output, input)) return output + " is also an input; writing it would destroy it";
  if (!misnamed.empty()) return misnamed;
  std::error_code error;
  fs::file_type type = fs::symlink_status(output, error).type();
  if (type == fs::file_type::directory || (type == fs::file_type::symlink && fs::is_directory(output, error)))
    return output + " is a folder";
  if (type != fs::file_type::not_found && type != fs::file_type::regular && type != fs::file_type::symlink &&
      type != fs::file_type::none)
    return output + " is not a regular file; only files are written";
  if (type != fs::file_type::not_found && type != fs::file_type::none && !replace)
    return output + " exists; add --force (-y) to replace it";
  std::string folder = Folder(output);
  fs::file_status status = fs::status(folder, error);
  if (status.type() == fs::file_type::not_found) return "the folder " + folder + " does not exist";
  if (!error && status.type() != fs::file_type::directory) return folder + " is not a folder";
  return std::string();
}

std::string WhyTheFileCannotGrow(const std::string &path) {
  std::error_code error;
  fs::space_info space = fs::space(Folder(path), error);
  if (!error && space.available < kNearlyFull)
    return "the disk is full (" + std::to_string(space.available) + " bytes free)";
#ifdef QV_HOST_HAS_RLIMIT
  rlimit limit{};
  std::uintmax_t size = fs::file_size(path, error);
  if (getrlimit(RLIMIT_FSIZE, &limit) == 0 && limit.rlim_cur != RLIM_INFINITY && !error &&
      size + kNearlyFull > limit.rlim_cur)
    return "the file reached this process's file size limit of " + std::to_string(limit.rlim_cur) + " bytes";
#endif
  return std::string();
}

}  // namespace qvhost
