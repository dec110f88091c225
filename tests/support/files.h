// Whole files, and paths as the test program's platform names them.
#ifndef QV_TESTS_SUPPORT_FILES_H
#define QV_TESTS_SUPPORT_FILES_H

#include <cstdint>
#include <string>
#include <vector>

namespace testsupport {

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
