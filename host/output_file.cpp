// The output file's state after a failed export.
#include "output_file.h"

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

}  // namespace

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
