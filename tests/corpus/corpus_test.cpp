// Real-world Windows Media files (files/, see README.md) and FFmpeg-made files that
// reproduce what such files hold, each read through the plug-in as a host reads it
// and checked against FFmpeg's own reading: the record, and the first, middle and
// last pictures and one past the last, byte for byte.
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <sstream>
#include <string>
#include <vector>

#include "files.h"
#include "loaded_plugin.h"
#include "run_command.h"

namespace {

using testsupport::Pi;
using testsupport::RunCommand;
using Bytes = std::vector<uint8_t>;

// ---- The ASF header, read and changed directly ------------------------------------

Bytes Guid(const char *text) {  // "8CABDCA1-A947-11CF-8EE4-00C00C205365", stored as ASF stores it
  unsigned a, b, c, d[8];
  sscanf(text, "%8x-%4x-%4x-%2x%2x-%2x%2x%2x%2x%2x%2x", &a, &b, &c, &d[0], &d[1], &d[2], &d[3], &d[4], &d[5],
         &d[6], &d[7]);
  Bytes g = {uint8_t(a), uint8_t(a >> 8), uint8_t(a >> 16), uint8_t(a >> 24), uint8_t(b), uint8_t(b >> 8),
             uint8_t(c), uint8_t(c >> 8)};
  for (unsigned x : d) g.push_back(uint8_t(x));
  return g;
}

uint64_t Get(const Bytes &bytes, size_t at, int size) {
  uint64_t value = 0;
  for (int i = size - 1; i >= 0; --i) value = value << 8 | (at + i < bytes.size() ? bytes[at + i] : 0);
  return value;
}

void Put(Bytes &bytes, size_t at, uint64_t value, int size) {
  for (int i = 0; i < size; ++i) bytes[at + i] = uint8_t(value >> (8 * i));
}

void Append(Bytes &bytes, uint64_t value, int size) {
  bytes.resize(bytes.size() + size);
  Put(bytes, bytes.size() - size, value, size);
}

// Offset of the File Properties object inside the header; 0 when there is none.
size_t FileProperties(const Bytes &file) {
  const Bytes guid = Guid("8CABDCA1-A947-11CF-8EE4-00C00C205365");
  const uint64_t headerSize = Get(file, 16, 8);
  for (size_t at = 30; at + 24 <= headerSize && at + 24 <= file.size();) {
    if (std::equal(guid.begin(), guid.end(), file.begin() + at)) return at;
    const uint64_t size = Get(file, at + 16, 8);
    if (size < 24) break;
    at += size;
  }
  return 0;
}

// Adds an object at the end of the header, and counts it in the header and the file size.
void AddHeaderObject(Bytes &file, const char *guid, const Bytes &body) {
  const size_t headerSize = Get(file, 16, 8);
  Bytes object = Guid(guid);
  Append(object, 24 + body.size(), 8);
  object.insert(object.end(), body.begin(), body.end());
  file.insert(file.begin() + headerSize, object.begin(), object.end());
  Put(file, 16, headerSize + object.size(), 8);
  Put(file, 24, Get(file, 24, 4) + 1, 4);
  if (size_t props = FileProperties(file)) Put(file, props + 40, Get(file, props + 40, 8) + object.size(), 8);
}

Bytes Counted(int lengthSize, const std::string &text) {  // a length, then the text
  Bytes bytes;
  Append(bytes, text.size(), lengthSize);
  bytes.insert(bytes.end(), text.begin(), text.end());
  return bytes;
}

Bytes Wide(const std::string &text) {  // a length in characters, then UTF-16 text
  Bytes bytes;
  Append(bytes, text.size(), 2);
  for (char c : text) Append(bytes, uint8_t(c), 2);
  return bytes;
}

void Join(Bytes &to, const Bytes &more) { to.insert(to.end(), more.begin(), more.end()); }

// What protected content of DRM version 7 and later carries in its header: the
// Extended Content Encryption object (the corpus has a real file of the older kind).
void Protect(Bytes &file) {
  Bytes body;
  Join(body, Counted(4, "<WRMHEADER version=\"2.0.0.0\"><DATA><KID>a2lk</KID></DATA></WRMHEADER>"));
  AddHeaderObject(file, "298AE614-2622-4C17-B935-DAE07EE9289C", body);
}

// Script commands as encoders write them for captions and links: two types, three commands.
void AddScriptCommands(Bytes &file) {
  Bytes body = Guid("4B1ACBE3-100B-11D0-A39B-00A0C90348F6");
  Append(body, 3, 2);
  Append(body, 2, 2);
  Join(body, Wide("URL"));
  Join(body, Wide("CAPTION"));
  const struct { int ms, type; const char *text; } commands[] = {
      {0, 1, "Opening"}, {500, 0, "http://example.invalid/"}, {1500, 1, "Closing"}};
  for (const auto &command : commands) {
    Append(body, command.ms, 4);
    Append(body, command.type, 2);
    Join(body, Wide(command.text));
  }
  AddHeaderObject(file, "1EFB1A30-0B62-11D0-A39B-00A0C90348F6", body);
}

void SetBroadcast(Bytes &file) {
  size_t props = FileProperties(file);
  ASSERT_NE(props, 0u);
  Put(file, props + 88, Get(file, props + 88, 4) | 1, 4);
}

// ---- The corpus ------------------------------------------------------------------

struct Case {
  std::string name;  // the file's name, or the fixture's
  std::string how;   // ffmpeg arguments that make a fixture; empty for a corpus file
  void (*change)(Bytes &) = nullptr;  // applied to the fixture's header
};

std::vector<Case> Cases() {
  std::vector<Case> cases;
  std::istringstream names(QV_CORPUS_NAMES);  // "a.wmv/b.wma/..."
  for (std::string name; std::getline(names, name, '/');) cases.push_back({name, ""});
  const std::string tone = " -f lavfi -i sine=frequency=440:sample_rate=22050 ";
  const std::string av = " -c:v wmv2 -b:v 1M -c:a wmav2 -b:a 64k ";
  // Widths whose remainder by 16 is 1 to 7, in WMV2 and MPEG-4 v3.
  cases.push_back({"width-854.wmv", "-f lavfi -i testsrc2=size=854x96:rate=30" + tone + "-t 1" + av});
  cases.push_back({"width-738-mp43.wmv",
                   "-f lavfi -i testsrc2=size=738x64:rate=25" + tone + "-t 1 -c:v msmpeg4 -b:v 1M -c:a wmav1"});
  // Sound that goes on for two seconds after the last picture.
  cases.push_back({"sound-longer.wmv", "-f lavfi -i testsrc2=size=160x120:rate=30:duration=1" + tone + "-t 3" + av});
  // Markers (from chapters) and script commands.
  cases.push_back({"markers-and-scripts.wmv",
                   "-f lavfi -i testsrc2=size=160x120:rate=30" + tone +
                       "-f ffmetadata -i MARKERS -map 0:v -map 1:a -map_chapters 2 -t 2" + av,
                   AddScriptCommands});
  cases.push_back({"broadcast.wmv", "-f lavfi -i testsrc2=size=160x120:rate=15" + tone + "-t 2" + av, SetBroadcast});
  cases.push_back({"protected.wmv", "-f lavfi -i testsrc2=size=160x120:rate=30" + tone + "-t 1" + av, Protect});
  cases.push_back({"2024-05-01T10:30:00.wmv", "-f lavfi -i testsrc2=size=176x144:rate=30" + tone + "-t 1" + av});
  // An hour, whose last picture lies about 108,000 positions in.
  cases.push_back({"hour.wmv", "-f lavfi -i testsrc2=size=64x48:rate=2 -t 3600 -c:v wmv2 -b:v 16k -g 120"});
  return cases;
}

void PrintTo(const Case &c, std::ostream *out) { *out << c.name; }

std::string Quoted(const std::string &path) { return "'file:" + path + "'"; }  // a colon is no protocol

// What FFmpeg makes of the file: its streams, and whether it saw protected content.
struct Stream {
  int index = 0;
  std::string type;
  bool picture = false;  // a cover picture, which FFmpeg shows as a video stream
  int sampleRate = 0, channels = 0;
};

struct Probe {
  std::vector<Stream> video, audio;
  bool protectedContent = false;
};

Probe ProbeFile(const std::string &path) {
  Probe probe;
  const std::string said = RunCommand("ffprobe -v warning -show_entries "
                                      "stream=index,codec_type,sample_rate,channels:stream_disposition=attached_pic "
                                      "-of csv=p=0:nk=0 " + Quoted(path) + " 2>&1");
  probe.protectedContent = said.find("DRM protected") != std::string::npos;
  std::istringstream lines(said);
  for (std::string line; std::getline(lines, line);) {
    if (line.rfind("index=", 0) != 0) continue;
    Stream stream;
    std::istringstream fields(line);
    for (std::string field; std::getline(fields, field, ',');) {
      const size_t eq = field.find('=');
      const std::string key = field.substr(0, eq), value = field.substr(eq + 1);
      if (key == "index") stream.index = atoi(value.c_str());
      if (key == "codec_type") stream.type = value;
      if (key == "sample_rate") stream.sampleRate = atoi(value.c_str());
      if (key == "channels") stream.channels = atoi(value.c_str());
      if (key == "disposition:attached_pic") stream.picture = value == "1";
    }
    if (stream.type == "video" && !stream.picture) probe.video.push_back(stream);
    if (stream.type == "audio") probe.audio.push_back(stream);
  }
  return probe;
}

// Times of a stream's decoded frames, in 100-nanosecond units. ASF stores the time at
// which each picture shows; where FFmpeg hands them out as decoding times only (VC-1),
// its decoder's guess runs a frame late, and the pictures take the stored times in order.
std::vector<int64_t> FrameTimes(const std::string &path, int stream) {
  auto read = [&](const char *entries) {  // the first time of each line, INT64_MIN for none
    std::vector<int64_t> times;
    std::istringstream lines(RunCommand("ffprobe -v error -select_streams " + std::to_string(stream) +
                                        " -show_entries " + entries + " -of csv=p=0 " + Quoted(path)));
    for (std::string line; std::getline(lines, line);) {
      if (line.empty()) continue;
      int64_t time = INT64_MIN;
      std::istringstream fields(line);
      for (std::string field; time == INT64_MIN && std::getline(fields, field, ',');)
        if (field != "N/A") time = std::llround(atof(field.c_str()) * 1e7);
      times.push_back(time);
    }
    return times;
  };
  std::vector<int64_t> stored = read("packet=dts_time,pts_time"), decoded = read("frame=best_effort_timestamp_time");
  const bool noPresentationTimes = RunCommand("ffprobe -v error -select_streams " + std::to_string(stream) +
                                              " -show_entries packet=pts_time -of csv=p=0 " + Quoted(path) +
                                              " | grep -vc N/A") == "0\n";
  if (noPresentationTimes && stored.size() == decoded.size() &&
      std::count(stored.begin(), stored.end(), INT64_MIN) == 0) {
    std::sort(stored.begin(), stored.end());
    return stored;
  }
  for (size_t i = 0; i < decoded.size(); ++i)  // a picture without a time follows at the same pace
    if (decoded[i] == INT64_MIN) decoded[i] = i < 2 ? (i ? decoded[0] : 0) : 2 * decoded[i - 1] - decoded[i - 2];
  return decoded;
}

// Where the file's last packet ends, by FFmpeg's reading, in 100-nanosecond units.
int64_t LastPacketEnd(const std::string &path) {
  int64_t end = 0;
  std::istringstream lines(RunCommand("ffprobe -v error -show_entries packet=pts_time,duration_time -of csv=p=0 " +
                                      Quoted(path)));
  for (std::string line; std::getline(lines, line);) {
    double pts = 0, length = 0;
    if (sscanf(line.c_str(), "%lf,%lf", &pts, &length) >= 1) end = std::max<int64_t>(end, std::llround((pts + length) * 1e7));
  }
  return end;
}

// FFmpeg's decode of the given frames of a stream, converted to BGR rows top-down.
std::vector<Bytes> ReferenceFrames(const std::string &path, int stream, const std::vector<size_t> &frames, int width,
                                   int height) {
  std::string select;
  for (size_t n : frames) select += (select.empty() ? "" : "+") + std::string("eq(n\\,") + std::to_string(n) + ")";
  const Bytes raw = testsupport::RunCommandBinary("ffmpeg -v error -nostdin -i " + Quoted(path) + " -map 0:" +
                                                  std::to_string(stream) + " -vf \"select='" + select +
                                                  "'\" -fps_mode passthrough -f rawvideo -pix_fmt bgr24 -");
  const size_t size = size_t(width) * height * 3;
  std::vector<Bytes> pictures;
  for (size_t at = 0; at + size <= raw.size(); at += size) pictures.emplace_back(raw.begin() + at, raw.begin() + at + size);
  return pictures;
}

// The DIB's rows top-down without padding.
Bytes RowsOf(const Bytes &dib, int width, int height) {
  const size_t stride = (size_t(width) * 3 + 3) & ~size_t(3), row = size_t(width) * 3;
  Bytes rows;
  if (dib.size() < 40 + stride * height) return rows;
  for (int y = height - 1; y >= 0; --y) rows.insert(rows.end(), dib.begin() + 40 + stride * y, dib.begin() + 40 + stride * y + row);
  return rows;
}

// Where two pictures differ: "" when they are equal.
std::string Difference(const Bytes &got, const Bytes &want, int width) {
  if (got.size() != want.size()) return "a picture of " + std::to_string(got.size()) + " bytes";
  size_t count = 0, first = 0;
  int leftmost = width, rightmost = -1;
  for (size_t i = 0; i < got.size(); ++i)
    if (got[i] != want[i]) {
      if (!count++) first = i;
      const int column = int(i / 3 % width);
      leftmost = std::min(leftmost, column), rightmost = std::max(rightmost, column);
    }
  if (!count) return "";
  return std::to_string(count) + " bytes differ, the first at row " + std::to_string(first / 3 / width) +
         ", in columns " + std::to_string(leftmost) + " to " + std::to_string(rightmost);
}

int64_t FrameTime(LONG position) { return int64_t(position) * 10000000 / 30; }

// ASF keeps whole milliseconds: a frame is on screen from half a millisecond before its
// stored time, so that frame n of a 30 fps file, stored at 33.333 n rounded, is position n.
const int64_t kRounding = 5000;

LONG PositionOf(int64_t time) {  // the first position at which a frame of that time shows
  LONG position = LONG(std::max<int64_t>(0, (time - kRounding) * 30 / 10000000));
  while (FrameTime(position) < time - kRounding) ++position;
  return position;
}

class CorpusTest : public testsupport::PluginTest, public ::testing::WithParamInterface<Case> {
 protected:
  // The corpus file, or the fixture made in the test's folder.
  std::string File() {
    const Case &c = GetParam();
    if (c.how.empty()) return std::string(QV_CORPUS_FILES) + "/" + c.name;
    const testsupport::TempFolder &folder = registry_.folder();
    std::string how = c.how;
    if (size_t at = how.find("MARKERS"); at != std::string::npos) {
      const std::string markers = folder / "markers.txt";
      testsupport::WriteFileBytes(markers, Bytes(kMarkers, kMarkers + strlen(kMarkers)));
      how.replace(at, 7, markers);
    }
    const std::string path = folder / c.name;
    int status = -1;
    const std::string said = RunCommand("ffmpeg -v error -nostdin -y " + how + " " + Quoted(path) + " 2>&1", &status);
    EXPECT_EQ(status, 0) << said;
    if (c.change) {
      Bytes bytes = testsupport::ReadFileBytes(path);
      c.change(bytes);
      EXPECT_TRUE(testsupport::WriteFileBytes(path, bytes));
    }
    return path;
  }

  static constexpr const char *kMarkers =
      ";FFMETADATA1\n[CHAPTER]\nTIMEBASE=1/1000\nSTART=0\nEND=800\ntitle=One\n"
      "[CHAPTER]\nTIMEBASE=1/1000\nSTART=800\nEND=2000\ntitle=Two\n";
};

TEST_P(CorpusTest, ReadsAsFFmpegReadsIt) {
  const std::string path = File();
  const Bytes file = testsupport::ReadFileBytes(path);
  const size_t props = FileProperties(file);
  ASSERT_NE(props, 0u) << path << " has no File Properties object";
  const Probe probe = ProbeFile(path);
  ASSERT_FALSE(probe.video.empty() && probe.audio.empty() && !probe.protectedContent) << "FFmpeg finds no streams";

  qvhost::Instance instance(testsupport::LoadedPlugin());
  ASSERT_TRUE(instance);
  if (probe.protectedContent) {  // refused: its pictures would be noise
    EXPECT_EQ(Pi().piLocalLoadData(0, instance.handle(), 0, path.c_str()), 0);
    EXPECT_EQ(Pi().piLocalLength(0, instance.handle(), 0), 1);
    EXPECT_EQ(Pi().piLocalLoadData(0, instance.handle(), 1, path.c_str()), 0);
    return;
  }
  ASSERT_EQ(Pi().piLocalLoadData(0, instance.handle(), 0, path.c_str()), 1);
  const Bytes copy = qvhost::CopyGlobal(Pi().piLocalGetData(0, instance.handle()));
  ASSERT_EQ(copy.size(), sizeof(HostFormat));
  HostFormat record;
  memcpy(&record, copy.data(), sizeof record);

  // The record: the header's duration at 30 frames per second, and the streams FFmpeg finds.
  const bool broadcast = Get(file, props + 88, 4) & 1;  // its header's durations are not valid
  const int64_t duration =
      broadcast ? LastPacketEnd(path) : int64_t(Get(file, props + 64, 8)) - int64_t(Get(file, props + 80, 8)) * 10000;
  const bool video = !probe.video.empty(), audio = !probe.audio.empty();
  EXPECT_EQ(record.flags, (video ? 0x01000001u : 0) | (audio ? 2u : 0) | (video && audio ? 0x04000000u : 0));
  EXPECT_EQ(record.frameRate, 30000);
  EXPECT_EQ(record.frameCount, LONG(double(duration) * 1.0000000116860974e-07 * 30.0));
  if (audio) {
    const Stream &sound = probe.audio[0];
    EXPECT_EQ(record.wave.wFormatTag, 1);
    EXPECT_EQ(record.wave.nChannels, sound.channels);
    EXPECT_EQ(record.wave.nSamplesPerSec, DWORD(sound.sampleRate));
    EXPECT_EQ(record.wave.wBitsPerSample, 16);
    EXPECT_EQ(record.wave.nBlockAlign, 2 * sound.channels);
    EXPECT_EQ(record.audioLength, LONG(duration / 10 * sound.sampleRate / 1000000));
    // The record holds all the sound of a whole file.
    if (Get(file, props + 40, 8) <= file.size()) {
      const std::string samples =
          RunCommand("ffmpeg -v error -nostdin -i " + Quoted(path) + " -map 0:" + std::to_string(sound.index) +
                     " -f s16le -ac 1 - | wc -c");
      const double decoded = atof(samples.c_str()) / 2;
      EXPECT_GE(record.audioLength, decoded - 0.1 * sound.sampleRate) << "samples FFmpeg decodes";
    }
  }
  if (!video) return;

  // The pictures: first, middle, last, and one past the last, those of one of the
  // video streams (the one the reader chose among streams of several bit rates).
  const int width = record.bitmap.biWidth, height = std::abs(record.bitmap.biHeight);
  // The plug-in's picture at a position, or why there is none.
  auto picture = [&](LONG position, Bytes *rows) -> std::string {
    if (Pi().piLocalLength(0, instance.handle(), position) != 1 ||
        Pi().piLocalLoadData(0, instance.handle(), 1, path.c_str()) != 1)
      return "no picture";
    const Bytes dib = qvhost::CopyGlobal(Pi().piLocalGetData(0, instance.handle()));
    BITMAPINFOHEADER header = {};
    memcpy(&header, dib.data(), std::min(dib.size(), sizeof header));
    if (header.biWidth != width || header.biHeight != height || header.biBitCount != 24)
      return "a picture of " + std::to_string(header.biWidth) + "x" + std::to_string(header.biHeight) + ", " +
             std::to_string(header.biBitCount) + " bits";
    *rows = RowsOf(dib, width, height);
    return "";
  };
  std::string differences;
  for (const Stream &stream : probe.video) {
    const std::vector<int64_t> times = FrameTimes(path, stream.index);
    if (times.empty()) continue;  // a cut file can end before a stream's first picture
    const LONG last = PositionOf(times.back());
    const LONG positions[] = {0, PositionOf(times[times.size() / 2]), last, last + 1};
    std::vector<size_t> frames;  // the frame on screen at each position
    for (LONG position : positions) {
      const auto after = std::upper_bound(times.begin(), times.end(), FrameTime(position) + kRounding);
      frames.push_back(after == times.begin() ? 0 : size_t(after - times.begin() - 1));
    }
    std::vector<size_t> unique = frames;
    unique.erase(std::unique(unique.begin(), unique.end()), unique.end());
    const std::vector<Bytes> reference = ReferenceFrames(path, stream.index, unique, width, height);
    std::string these;
    for (size_t i = 0; i < frames.size(); ++i) {
      const size_t k = std::find(unique.begin(), unique.end(), frames[i]) - unique.begin();
      Bytes rows;
      std::string difference = picture(positions[i], &rows);
      if (difference.empty())
        difference = k < reference.size() ? Difference(rows, reference[k], width) : "FFmpeg gives no picture";
      if (!difference.empty())
        these += "\n  position " + std::to_string(positions[i]) + " (frame " + std::to_string(frames[i]) + " of " +
                 std::to_string(times.size()) + "): " + difference;
    }
    if (these.empty()) return;  // every picture is this stream's
    differences += "\nagainst stream " + std::to_string(stream.index) + ":" + these;
  }
  ADD_FAILURE() << "the pictures are not FFmpeg's" << differences;
}

INSTANTIATE_TEST_SUITE_P(Files, CorpusTest, ::testing::ValuesIn(Cases()), [](const auto &info) {
  std::string name = info.param.name;
  for (char &c : name)
    if (!isalnum(static_cast<unsigned char>(c))) c = '_';
  return name;
});

}  // namespace
