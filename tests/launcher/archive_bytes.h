// Builds archive bytes by hand, so that tests can make layouts the writer refuses.
#ifndef QV_TESTS_LAUNCHER_ARCHIVE_BYTES_H
#define QV_TESTS_LAUNCHER_ARCHIVE_BYTES_H

#include <cstdint>
#include <string>
#include <vector>

struct ArchiveBytes {
  std::vector<uint8_t> bytes{0x00, 0x01};

  void Le32(uint32_t v) {
    for (int i = 0; i < 4; i++) bytes.push_back((uint8_t)(v >> (8 * i)));
  }
  // An entry header followed by `data` (PackedSize is data.size() unless given).
  ArchiveBytes &Entry(const std::string &name, uint8_t flags, uint32_t date, int32_t unpacked,
                      const std::vector<uint8_t> &data, int64_t packed = -1) {
    bytes.push_back((uint8_t)name.size());
    bytes.insert(bytes.end(), name.begin(), name.end());
    bytes.push_back(flags);
    Le32(date);
    Le32((uint32_t)unpacked);
    Le32((uint32_t)(packed < 0 ? (int64_t)data.size() : packed));
    bytes.insert(bytes.end(), data.begin(), data.end());
    return *this;
  }
  ArchiveBytes &Terminator() {
    bytes.insert(bytes.end(), 14, 0);
    return *this;
  }
};

// One stored block holding `data`.
inline std::vector<uint8_t> StoredBlock(const std::vector<uint8_t> &data) {
  std::vector<uint8_t> block{(uint8_t)data.size(), (uint8_t)(data.size() >> 8)};
  block.insert(block.end(), data.begin(), data.end());
  return block;
}

#endif
