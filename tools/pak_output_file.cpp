#include "pak_output_file.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <system_error>

namespace fs = std::filesystem;

namespace {

// By identity (device and file number) when both exist, so that a second name or a
// hard link is caught too; else by the names as written.
bool SameFile(const std::string &a, const std::string &b) {
  std::error_code error;
  bool same = fs::equivalent(a, b, error);
  if (!error) return same;
  fs::path left = fs::absolute(a, error).lexically_normal();
  fs::path right = fs::absolute(b, error).lexically_normal();
  return left == right;
}

// Taken also by a link whose target is missing: writing through it would create a
// file elsewhere.
bool NameTaken(const std::string &path) {
  std::error_code error;
  return fs::symlink_status(path, error).type() != fs::file_type::not_found && !error;
}

// As a linker does: whoever may read the file may run it. (Windows keeps no such bit;
// there the call changes nothing.)
bool MarkExecutable(const std::string &path, std::error_code &error) {
  fs::perms now = fs::status(path, error).permissions();
  if (error) return false;
  fs::perms add = fs::perms::none;
  if ((now & fs::perms::owner_read) != fs::perms::none) add |= fs::perms::owner_exec;
  if ((now & fs::perms::group_read) != fs::perms::none) add |= fs::perms::group_exec;
  if ((now & fs::perms::others_read) != fs::perms::none) add |= fs::perms::others_exec;
  fs::permissions(path, add, fs::perm_options::add, error);
  return !error;
}

// A name beside `path` that nothing holds yet: the new file never replaces another
// file on its way.
std::string FreeNameBeside(const std::string &path) {
  for (int n = 0; n < 1000; n++) {
    std::string candidate = path + ".paktool-new" + (n ? std::to_string(n) : std::string());
    if (!NameTaken(candidate)) return candidate;
  }
  return std::string();
}

}  // namespace

std::string PakOutputRefusal(const std::string &output, const std::vector<std::string> &inputs, bool replace) {
  for (const std::string &input : inputs)
    if (SameFile(output, input))
      return "the output '" + output + "' is also an input ('" + input + "'); not even --force writes over it";
  std::error_code error;
  if (fs::is_directory(output, error)) return "the output '" + output + "' is a folder";
  if (NameTaken(output) && !replace) return "'" + output + "' exists; add --force (-y) to replace it";
  return std::string();
}

bool PakWriteWholeFile(const std::string &path, const std::vector<uint8_t> &data, bool executable,
                       std::string &error) {
  std::string temporary = FreeNameBeside(path);
  if (temporary.empty()) {
    error = "cannot write '" + path + "': no free name beside it for the new file";
    return false;
  }
  std::FILE *file = std::fopen(temporary.c_str(), "wb");
  if (!file) {
    error = "cannot create '" + path + "': " + std::strerror(errno);
    return false;
  }
  bool written = std::fwrite(data.data(), 1, data.size(), file) == data.size();
  int write_errno = errno;
  if (std::fclose(file) != 0 && written) {
    written = false;
    write_errno = errno;
  }
  std::error_code fs_error;
  if (!written) {
    error = "cannot write '" + path + "': " + std::strerror(write_errno);
  } else if (executable && !MarkExecutable(temporary, fs_error)) {
    error = "cannot mark '" + path + "' executable: " + fs_error.message();
  } else {
    fs::rename(temporary, path, fs_error);
    if (!fs_error) return true;
    error = "cannot replace '" + path + "': " + fs_error.message();
  }
  std::remove(temporary.c_str());
  return false;
}
