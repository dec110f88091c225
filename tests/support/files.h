// Temporary folders, whole files, and paths as the test program's platform names
// them.
#ifndef QV_TESTS_SUPPORT_FILES_H
#define QV_TESTS_SUPPORT_FILES_H

#include <cstdint>
#include <string>
#include <vector>

namespace testsupport {

// A temporary folder of the test's own, named so that no other test or test run
// (another build, the same tests started twice) can meet it.
class TempFolder {
 public:
  // A new empty folder "<prefix>-<unique>" in the system's temporary folder; a test
  // failure when none can be made.
  explicit TempFolder(const std::string &prefix = "qv-test");
  // Removes the folder and everything in it.
  ~TempFolder();
  TempFolder(const TempFolder &) = delete;
  TempFolder &operator=(const TempFolder &) = delete;

  const std::string &path() const { return path_; }
  // The path of `name` inside the folder.
  std::string operator/(const std::string &name) const { return path_ + "/" + name; }

 private:
  std::string path_;
};

// The file's bytes; empty when it cannot be read.
std::vector<uint8_t> ReadFileBytes(const std::string &path);
// Writes the file whole; false when any of it could not be written.
bool WriteFileBytes(const std::string &path, const std::vector<uint8_t> &bytes);
bool FileExists(const std::string &path);

// A path of the build's file system as this program opens it: unchanged on Linux;
// under Wine, which shows the whole tree as drive Z:, "Z:" and backslashes.
std::string NativePath(const std::string &path);

}  // namespace testsupport

#endif
