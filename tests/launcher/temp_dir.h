// A temporary folder per test, with helpers to write and read whole files.
#ifndef QV_TESTS_LAUNCHER_TEMP_DIR_H
#define QV_TESTS_LAUNCHER_TEMP_DIR_H

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>
#include <unistd.h>

class TempDir {
 public:
  TempDir() {
    char pattern[] = "/tmp/launcher_test.XXXXXX";
    path_ = mkdtemp(pattern);
  }
  ~TempDir() { std::system(("rm -rf '" + path_ + "'").c_str()); }
  const std::string &path() const { return path_; }
  std::string operator/(const std::string &name) const { return path_ + "/" + name; }

 private:
  std::string path_;
};

inline void WriteBytes(const std::string &path, const std::vector<uint8_t> &data) {
  FILE *f = std::fopen(path.c_str(), "wb");
  if (!f) std::abort();
  std::fwrite(data.data(), 1, data.size(), f);
  std::fclose(f);
}

inline std::vector<uint8_t> ReadBytes(const std::string &path) {
  std::vector<uint8_t> data;
  FILE *f = std::fopen(path.c_str(), "rb");
  if (!f) return data;
  int c;
  while ((c = std::fgetc(f)) != EOF) data.push_back((uint8_t)c);
  std::fclose(f);
  return data;
}

inline bool Exists(const std::string &path) { return access(path.c_str(), F_OK) == 0; }

#endif
