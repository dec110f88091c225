// Header objects that FFmpeg's ASF muxer never writes, added to a file it made: the
// reader's tests need protected files, several bit rates of one picture and cover
// pictures.
#ifndef QV_TESTS_WMF_READER_ASF_OBJECTS_H
#define QV_TESTS_WMF_READER_ASF_OBJECTS_H

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace asf_objects {

using Bytes = std::vector<uint8_t>;

// A whole object: the GUID (as text, "D6E229DC-35DA-11D1-9034-00A0C90349BE"), its size, `body`.
Bytes Object(const char *guid, const Bytes &body);

// Stream Bitrate Properties: each stream number with its average bit rate.
Bytes BitRates(const std::vector<std::pair<int, uint32_t>> &rates);
// A Mutual Exclusion (or Advanced Mutual Exclusion) object by bit rate over `streams`.
Bytes Exclusion(const std::vector<int> &streams, bool advanced = false);
// Content Encryption ("DRM" with a key ID and a licence address), or the extended
// object's XML header.
Bytes ContentEncryption(bool extended = false);
// An Extended Content Description holding WM/Picture: a front cover of `picture`'s
// bytes (a BMP file).
Bytes CoverPicture(const Bytes &picture);

// Writes `from` to `to` with `topLevel` objects at the end of the header and
// `extension` objects at the end of the Header Extension; false when `from` has no
// ASF header. Each list holds whole objects.
bool CopyWithObjects(const std::string &from, const std::string &to, const std::vector<Bytes> &topLevel,
                     const std::vector<Bytes> &extension);

}  // namespace asf_objects

#endif
