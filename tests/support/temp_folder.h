// A temporary folder of the test's own, named so that no other test or test run
// (another build, the same tests started twice) can meet it.
#ifndef QV_TESTS_SUPPORT_TEMP_FOLDER_H
#define QV_TESTS_SUPPORT_TEMP_FOLDER_H

#include <string>

namespace testsupport {

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

}  // namespace testsupport

#endif
