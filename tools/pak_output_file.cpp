#include "pak_output_file.h"

#include <filesystem>
#include <system_error>

#include "whole_file.h"

namespace fs = std::filesystem;

namespace {

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

}  // namespace

std::string PakOutputRefusal(const std::string &output, const std::vector<std::string> &inputs, bool replace) {
  for (const std::string &input : inputs)
    if (wholefile::SameFile(output, input))
      return "the output '" + output + "' is also an input ('" + input + "'); not even --force writes over it";
  std::error_code error;
  if (fs::is_directory(output, error)) return "the output '" + output + "' is a folder";
  if (wholefile::NameTaken(output) && !replace) return "'" + output + "' exists; add --force (-y) to replace it";
  return std::string();
}

bool PakWriteWholeFile(const std::string &path, const std::vector<uint8_t> &data, bool executable,
                       std::string &error) {
  wholefile::PendingFile file;
  if (!file.Create(path, "paktool-new", &error) || !file.Write(data.data(), data.size(), &error) ||
      !file.Close(&error))
    return false;
  std::error_code fs_error;
  if (executable && !MarkExecutable(file.temporary(), fs_error)) {
    error = "cannot mark '" + path + "' executable: " + fs_error.message();
    return false;
  }
  return file.Keep(true, &error);
}
