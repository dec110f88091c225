// Header objects added to FFmpeg-made ASF files.
#include "asf_objects.h"

#include <cstdio>
#include <cstring>

#include "files.h"

namespace asf_objects {

namespace {

constexpr size_t kObjectHeader = 24;
constexpr size_t kHeaderObjectSize = 30;
constexpr size_t kFileSizeAt = 40;     // in the File Properties object

void Put(Bytes *bytes, uint64_t value, int size) {
  for (int i = 0; i < size; ++i) bytes->push_back(static_cast<uint8_t>(value >> (8 * i)));
}

void Set(Bytes *bytes, size_t at, uint64_t value, int size) {
  for (int i = 0; i < size; ++i) (*bytes)[at + i] = static_cast<uint8_t>(value >> (8 * i));
}

uint64_t Get(const Bytes &bytes, size_t at, int size) {
  uint64_t value = 0;
  for (int i = size - 1; i >= 0; --i) value = value << 8 | bytes[at + i];
  return value;
}

// The GUID's bytes as ASF stores them: the first three fields little-endian.
Bytes Guid(const char *text) {
  unsigned a, b, c, d[8];
  std::sscanf(text, "%8x-%4x-%4x-%2x%2x-%2x%2x%2x%2x%2x%2x", &a, &b, &c, &d[0], &d[1], &d[2], &d[3], &d[4],
              &d[5], &d[6], &d[7]);
  Bytes bytes;
  Put(&bytes, a, 4);
  Put(&bytes, b, 2);
  Put(&bytes, c, 2);
  for (unsigned byte : d) bytes.push_back(static_cast<uint8_t>(byte));
  return bytes;
}

const char kHeaderExtension[] = "5FBF03B5-A92E-11CF-8EE3-00C00C205365";
const char kFileProperties[] = "8CABDCA1-A947-11CF-8EE4-00C00C205365";

// Where the top-level object of `guid` starts; 0 when there is none.
size_t Find(const Bytes &file, const char *guid) {
  const Bytes wanted = Guid(guid);
  const size_t end = Get(file, 16, 8);
  for (size_t at = kHeaderObjectSize; at + kObjectHeader <= end && at + kObjectHeader <= file.size();) {
    if (std::memcmp(&file[at], wanted.data(), 16) == 0) return at;
    const uint64_t size = Get(file, at + 16, 8);
    if (size < kObjectHeader) return 0;
    at += size;
  }
  return 0;
}

void Append(Bytes *to, const Bytes &more) { to->insert(to->end(), more.begin(), more.end()); }

void PutWide(Bytes *bytes, const char *text) {
  for (const char *c = text;; ++c) {
    Put(bytes, static_cast<uint8_t>(*c), 2);
    if (!*c) break;
  }
}

}  // namespace

Bytes Object(const char *guid, const Bytes &body) {
  Bytes object = Guid(guid);
  Put(&object, kObjectHeader + body.size(), 8);
  Append(&object, body);
  return object;
}

Bytes BitRates(const std::vector<std::pair<int, uint32_t>> &rates) {
  Bytes body;
  Put(&body, rates.size(), 2);
  for (const auto &rate : rates) {
    Put(&body, rate.first, 2);
    Put(&body, rate.second, 4);
  }
  return Object("7BF875CE-468D-11D1-8D82-006097C9A2B2", body);
}

Bytes Exclusion(const std::vector<int> &streams, bool advanced) {
  Bytes body = Guid("D6E22A01-35DA-11D1-9034-00A0C90349BE");  // exclusion by bit rate
  Put(&body, streams.size(), 2);
  for (int stream : streams) Put(&body, stream, 2);
  return Object(advanced ? "A08649CF-4775-4670-8A16-6E35357566CD" : "D6E229DC-35DA-11D1-9034-00A0C90349BE", body);
}

Bytes ContentEncryption(bool extended) {
  Bytes body;
  if (extended) {
    const std::string header = "<WRMHEADER version=\"2.0.0.0\"><DATA><KID>a2V5</KID></DATA></WRMHEADER>";
    Put(&body, header.size(), 4);
    body.insert(body.end(), header.begin(), header.end());
    return Object("298AE614-2622-4C17-B935-DAE07EE9289C", body);
  }
  for (const std::string &field : {std::string(8, '\x5A'), std::string("DRM", 4), std::string("key-id"),
                                  std::string("http://licence.example/acquire")}) {
    Put(&body, field.size(), 4);
    body.insert(body.end(), field.begin(), field.end());
  }
  return Object("2211B3FB-BD23-11D2-B4B7-00A0C955FC6E", body);
}

Bytes CoverPicture(const Bytes &picture) {
  Bytes value;
  value.push_back(3);  // front cover
  Put(&value, picture.size(), 4);
  PutWide(&value, "image/bmp");
  PutWide(&value, "");
  Append(&value, picture);
  Bytes body;
  Put(&body, 1, 2);  // one descriptor
  Bytes name;
  PutWide(&name, "WM/Picture");
  Put(&body, name.size(), 2);
  Append(&body, name);
  Put(&body, 1, 2);  // a byte array
  Put(&body, value.size(), 2);
  Append(&body, value);
  return Object("D2D0A440-E307-11D2-97F0-00A0C95EA850", body);
}

bool CopyWithObjects(const std::string &from, const std::string &to, const std::vector<Bytes> &topLevel,
                     const std::vector<Bytes> &extension) {
  Bytes file = testsupport::ReadFileBytes(from);
  if (file.size() < kHeaderObjectSize || std::memcmp(file.data(), Guid("75B22630-668E-11CF-A6D9-00AA0062CE6C").data(), 16))
    return false;
  Bytes top, inside;
  for (const Bytes &object : topLevel) Append(&top, object);
  for (const Bytes &object : extension) Append(&inside, object);
  size_t objects = topLevel.size();
  size_t headerEnd = Get(file, 16, 8);
  const size_t found = Find(file, kHeaderExtension);
  if (!inside.empty() && found) {
    const size_t size = Get(file, found + 16, 8);
    file.insert(file.begin() + static_cast<long>(found + size), inside.begin(), inside.end());
    Set(&file, found + 16, size + inside.size(), 8);
    // Its data size follows a reserved GUID and word.
    Set(&file, found + kObjectHeader + 18, Get(file, found + kObjectHeader + 18, 4) + inside.size(), 4);
    headerEnd += inside.size();
  } else if (!inside.empty()) {
    Bytes body = Guid("ABD3D211-A9BA-11CF-8EE6-00C00C205365");
    Put(&body, 6, 2);
    Put(&body, inside.size(), 4);
    Append(&body, inside);
    Append(&top, Object(kHeaderExtension, body));
    ++objects;
  }
  file.insert(file.begin() + static_cast<long>(headerEnd), top.begin(), top.end());
  Set(&file, 16, headerEnd + top.size(), 8);
  Set(&file, 24, Get(file, 24, 4) + objects, 4);
  // FFmpeg trusts the header's durations only while the file is as long as it says.
  const size_t properties = Find(file, kFileProperties);
  if (properties) Set(&file, properties + kFileSizeAt, file.size(), 8);
  return testsupport::WriteFileBytes(to, file);
}

}  // namespace asf_objects
