// Real files through the plug-in and the real runtime, checked by independent readers
// (ffprobe, the ffmpeg CLI) and by the plug-in's own import.
#include <gtest/gtest.h>

#include <signal.h>
#include <sys/resource.h>

#include <algorithm>
#include <cstdio>
#include <map>
#include <sstream>

#include "environment.h"
#include "export_records.h"
#include "files.h"
#include "run_command.h"
#include "test_instance.h"
#include "test_pattern.h"

using namespace testsupport;

namespace {

constexpr LONG kWidth = 320;
constexpr LONG kHeight = 240;

// Files this process (and what it starts) writes cannot grow past `bytes` while this
// lives: with SIGXFSZ ignored, a write past the limit fails as on a full disk.
class FileSizeLimit {
 public:
  explicit FileSizeLimit(rlim_t bytes) {
    getrlimit(RLIMIT_FSIZE, &saved_);
    rlimit lowered = saved_;
    lowered.rlim_cur = bytes;
    EXPECT_EQ(0, setrlimit(RLIMIT_FSIZE, &lowered));
    signal_ = signal(SIGXFSZ, SIG_IGN);
  }
  ~FileSizeLimit() {
    setrlimit(RLIMIT_FSIZE, &saved_);
    signal(SIGXFSZ, signal_);
  }

 private:
  rlimit saved_{};
  void (*signal_)(int) = SIG_DFL;
};

// ffprobe's view: "video.codec_name", "audio.duration", "format.duration", ...
std::map<std::string, std::string> Probe(const std::string &file) {
  std::string text = RunCommand("ffprobe -v error -count_frames -show_entries "
                           "stream=codec_type,codec_name,nb_read_frames,duration:format=duration -of compact '" +
                           file + "'");
  // One line per section: "stream|codec_name=wmv1|codec_type=video|...", "format|duration=...".
  std::map<std::string, std::string> facts;
  std::istringstream lines(text);
  std::string line;
  while (std::getline(lines, line)) {
    std::vector<std::string> fields;
    std::istringstream parts(line);
    for (std::string part; std::getline(parts, part, '|');) fields.push_back(part);
    if (fields.empty()) continue;
    std::string section = fields[0];
    for (const std::string &field : fields)
      if (field.rfind("codec_type=", 0) == 0) section = field.substr(11);
    for (size_t k = 1; k < fields.size(); ++k) {
      size_t eq = fields[k].find('=');
      if (eq != std::string::npos) facts[section + "." + fields[k].substr(0, eq)] = fields[k].substr(eq + 1);
    }
  }
  return facts;
}

class ExportFiles : public testsupport::PluginTest {
 protected:
  // The entries of the profile dialog, read by a CBT hook that then cancels it.
  static LONG ProfileCount() {
    static LONG count = -1;
    static HHOOK hook;
    hook = SetWindowsHookExA(
        WH_CBT,
        [](int code, WPARAM wParam, LPARAM lParam) -> LRESULT {
          if (code == HCBT_ACTIVATE) {
            HWND dialog = reinterpret_cast<HWND>(wParam);
            count = static_cast<LONG>(SendDlgItemMessageA(dialog, 100, LB_GETCOUNT, 0, 0));
            PostMessageA(dialog, WM_COMMAND, IDCANCEL, 0);
          }
          return CallNextHookEx(hook, code, wParam, lParam);
        },
        nullptr, GetCurrentThreadId());
    TestInstance instance;
    pi().piLocalDlg(0, instance.handle(), nullptr);
    UnhookWindowsHookEx(hook);
    return count;
  }

  static void ChooseProfile(LONG position) {
    std::string script = "select:" + std::to_string(position) + ",ok";
    Win32SetDialogScript(script.c_str());
    TestInstance instance;
    EXPECT_TRUE(pi().piLocalDlg(0, instance.handle(), nullptr));
    Win32SetDialogScript(nullptr);
  }

  // The last profile in the list, which has the highest video bit rate.
  static void ChooseTopProfile() {
    LONG count = ProfileCount();
    ASSERT_GT(count, 0);
    ChooseProfile(count - 1);
  }

  // Hands a piece of `kind` to the plug-in and saves it to `file`.
  static BOOL Save(HGLOBAL handle, LONG kind, const BYTE *data, LONG length, const std::string &file) {
    const qvhost::EntryPoints &pi = testsupport::Pi();
    pi.piLocalSetData(0, handle, data, length, 0, 0);
    return pi.piLocalSaveData(0, handle, kind, file.c_str());
  }
  static BOOL SaveFrame(HGLOBAL handle, const std::vector<BYTE> &dib, const std::string &file) {
    return Save(handle, 1, dib.data(), static_cast<LONG>(dib.size()), file);
  }

  // The record the import gives for `file`; the copy is the host's to free.
  static void ImportFormat(TestInstance &instance, const std::string &file, HostFormat *format) {
    const qvhost::EntryPoints &pi = testsupport::Pi();
    ASSERT_TRUE(pi.piLocalLoadData(0, instance.handle(), 0, file.c_str())) << "the import cannot read the file";
    HGLOBAL copy = pi.piLocalGetData(0, instance.handle());
    ASSERT_NE(nullptr, copy);
    memcpy(format, GlobalLock(copy), sizeof(*format));
    GlobalUnlock(copy);
    GlobalFree(copy);
  }

  // Frame `frame` through the import: *bitmap stays locked at *dib for the caller to unlock.
  static void ImportFrame(TestInstance &instance, const std::string &file, LONG frame, HGLOBAL *bitmap,
                          const BYTE **dib, BITMAPINFOHEADER *header) {
    const qvhost::EntryPoints &pi = testsupport::Pi();
    ASSERT_TRUE(pi.piLocalLength(0, instance.handle(), frame));
    ASSERT_TRUE(pi.piLocalLoadData(0, instance.handle(), 1, file.c_str())) << "frame " << frame;
    *bitmap = pi.piLocalGetData(0, instance.handle());
    ASSERT_NE(nullptr, *bitmap);
    *dib = static_cast<const BYTE *>(GlobalLock(*bitmap));
    memcpy(header, *dib, sizeof(*header));
  }

  // Exports `frames` frames with `audioFrames` sample frames of tone, audio sent after
  // each frame up to that frame's end, as a host interleaves them.
  static void Export(const std::string &file, LONG frames, LONG audioFrames, LONG width = kWidth,
                     LONG height = kHeight) {
    const qvhost::EntryPoints &pi = testsupport::Pi();
    TestInstance instance;
    HostFormat record = WorkedExampleRecord();
    record.frameCount = frames;
    record.bitmap.biWidth = width;
    record.bitmap.biHeight = height;
    record.audioLength = audioFrames;
    if (!audioFrames) record.flags = kHostFormatVideo;
    std::vector<BYTE> bytes = ShortForm(record);
    ASSERT_TRUE(pi.piLocalSetFormat(0, instance.handle(), bytes.data()));
    ASSERT_TRUE(pi.piLocalProcessDataStart(0, instance.handle()));
    std::vector<BYTE> pcm = ToneChunk(0, audioFrames, 44100);
    LONG sent = 0;
    for (LONG i = 0; i < frames; ++i) {
      ASSERT_TRUE(SaveFrame(instance.handle(), PatternDib(i, width, height), file)) << "frame " << i;
      LONG until = std::min<LONG>(audioFrames, static_cast<LONG>((i + 1) * 44100LL / 30));
      if (until > sent) {
        ASSERT_TRUE(Save(instance.handle(), 2, pcm.data() + sent * 4, (until - sent) * 4, file))
            << "audio after frame " << i;
        sent = until;
      }
    }
    ASSERT_TRUE(pi.piLocalProcessDataEnd(0, instance.handle()));
  }

  // The test's files, beside its settings.
  const std::string folder_ = registry_.folder().path();
};

TEST_F(ExportFiles, TenSecondsWithSoundReadBackByFfprobe) {
  std::string file = folder_ + "/clip.wmv";
  ASSERT_NO_FATAL_FAILURE(Export(file, 300, 441000));
  std::map<std::string, std::string> facts = Probe(file);
  EXPECT_EQ("wmv1", facts["video.codec_name"]) << "Windows Media Video 7";
  EXPECT_EQ("wmav2", facts["audio.codec_name"]);
  EXPECT_EQ("300", facts["video.nb_read_frames"]);
  // Each stream lasts 10 s; the file as a whole also carries the audio codec's
  // priming before time 0.
  for (const char *stream : {"video", "audio"}) {
    ASSERT_FALSE(facts[std::string(stream) + ".duration"].empty()) << stream;
    EXPECT_NEAR(10.0, std::stod(facts[std::string(stream) + ".duration"]), 1.0 / 30) << stream;
  }
}

TEST_F(ExportFiles, EveryProfileWritesAReadableFile) {
  LONG count = ProfileCount();
  ASSERT_GT(count, 0);
  for (LONG position = 0; position < count; ++position) {
    ChooseProfile(position);
    std::string file = folder_ + "/profile" + std::to_string(position) + ".wmv";
    ASSERT_NO_FATAL_FAILURE(Export(file, 30, 44100)) << "profile " << position;
    std::map<std::string, std::string> facts = Probe(file);
    EXPECT_EQ("wmv1", facts["video.codec_name"]) << "profile " << position;
    EXPECT_EQ("30", facts["video.nb_read_frames"]) << "profile " << position;
  }
}

// The frames as the ffmpeg CLI decodes them, against the frames exported.
TEST_F(ExportFiles, FramesSurviveTheRoundTripThroughFfmpeg) {
  ASSERT_NO_FATAL_FAILURE(ChooseTopProfile());
  std::string file = folder_ + "/quality.wmv";
  ASSERT_NO_FATAL_FAILURE(Export(file, 60, 0));
  std::string raw = RunCommand("ffmpeg -v error -i '" + file + "' -f rawvideo -pix_fmt bgr24 -");
  size_t frameBytes = size_t(kWidth) * kHeight * 3;
  ASSERT_EQ(60 * frameBytes, raw.size());
  for (LONG frame : {0, 15, 30, 59}) {
    // ffmpeg gives rows top-down, as the pattern's own frames are.
    double psnr = Psnr(PatternFrame(frame, kWidth, kHeight).data(),
                       reinterpret_cast<const BYTE *>(raw.data()) + frame * frameBytes, frameBytes);
    std::printf("ffmpeg CLI, frame %ld: PSNR %.1f dB\n", static_cast<long>(frame), psnr);
    EXPECT_GE(psnr, 30.0) << "frame " << frame;
  }
}

// The frames as the plug-in's own import returns them.
TEST_F(ExportFiles, FramesSurviveTheRoundTripThroughTheImport) {
  ASSERT_NO_FATAL_FAILURE(ChooseTopProfile());
  std::string file = folder_ + "/import.wmv";
  ASSERT_NO_FATAL_FAILURE(Export(file, 60, 88200));
  TestInstance instance;
  HostFormat format;
  ASSERT_NO_FATAL_FAILURE(ImportFormat(instance, file, &format));
  // The sound's priming must not lengthen the file: 2 s stay 60 frames and 88,200 samples.
  EXPECT_EQ(0x05000003u, format.flags);
  EXPECT_EQ(60, format.frameCount);
  EXPECT_EQ(88200, format.audioLength);
  for (LONG frame : {0, 15, 30, 59}) {
    HGLOBAL bitmap = nullptr;
    const BYTE *got = nullptr;
    BITMAPINFOHEADER header;
    ASSERT_NO_FATAL_FAILURE(ImportFrame(instance, file, frame, &bitmap, &got, &header));
    EXPECT_EQ(kWidth, header.biWidth);
    EXPECT_EQ(kHeight, header.biHeight);
    std::vector<BYTE> expected = PatternDib(frame, kWidth, kHeight);
    double psnr = Psnr(expected.data() + 40, got + 40, expected.size() - 40);
    GlobalUnlock(bitmap);
    std::printf("import, frame %ld: PSNR %.1f dB\n", static_cast<long>(frame), psnr);
    EXPECT_GE(psnr, 30.0) << "frame " << frame;
  }
}

// Every frame exported comes back through the import, the last one too, at the size
// it was given and with every pixel: odd sizes lose no column or row.
TEST_F(ExportFiles, EveryFrameAndPixelComesBackAtAnySize) {
  ASSERT_NO_FATAL_FAILURE(ChooseTopProfile());
  const struct {
    LONG width, height, frames;
  } sizes[] = {{320, 240, 50}, {1, 1, 2}, {321, 241, 2}, {639, 479, 1}};
  for (const auto &size : sizes) {
    SCOPED_TRACE(std::to_string(size.width) + "x" + std::to_string(size.height));
    std::string file = folder_ + "/size" + std::to_string(size.width) + ".wmv";
    ASSERT_NO_FATAL_FAILURE(Export(file, size.frames, 0, size.width, size.height));
    TestInstance instance;
    HostFormat format;
    ASSERT_NO_FATAL_FAILURE(ImportFormat(instance, file, &format));
    EXPECT_EQ(size.frames, format.frameCount);
    EXPECT_EQ(size.width, format.bitmap.biWidth);
    EXPECT_EQ(size.height, format.bitmap.biHeight);

    const LONG last = size.frames - 1;
    HGLOBAL bitmap = nullptr;
    const BYTE *got = nullptr;
    BITMAPINFOHEADER header;
    ASSERT_NO_FATAL_FAILURE(ImportFrame(instance, file, last, &bitmap, &got, &header));
    ASSERT_EQ(size.width, header.biWidth);
    ASSERT_EQ(size.height, header.biHeight);
    // Pixel by pixel against the source; the edges count on their own, so that a lost
    // last column or row cannot hide in the whole picture's figure.
    const std::vector<BYTE> expected = PatternDib(last, size.width, size.height);
    const size_t stride = (static_cast<size_t>(size.width) * 3 + 3) & ~size_t(3);
    auto psnrOf = [&](LONG x0, LONG x1, LONG y0, LONG y1) {
      std::vector<BYTE> a, b;
      for (LONG y = y0; y < y1; ++y)
        for (LONG x = x0; x < x1; ++x)
          for (int c = 0; c < 3; ++c) {
            a.push_back(expected[40 + y * stride + x * 3 + c]);
            b.push_back(got[40 + y * stride + x * 3 + c]);
          }
      return Psnr(a.data(), b.data(), a.size());
    };
    EXPECT_GE(psnrOf(0, size.width, 0, size.height), 30.0);
    EXPECT_GE(psnrOf(size.width - 1, size.width, 0, size.height), 25.0) << "last column";
    EXPECT_GE(psnrOf(0, size.width, 0, 1), 25.0) << "bottom row";
    EXPECT_GE(psnrOf(0, size.width, size.height - 1, size.height), 25.0) << "top row";
    GlobalUnlock(bitmap);
  }
}

// A host that frees the instance without ending the transfer still gets a whole file.
TEST_F(ExportFiles, FreeingTheInstanceFinishesTheFile) {
  const qvhost::EntryPoints &pi = testsupport::Pi();
  std::string file = folder_ + "/abandoned.wmv";
  HGLOBAL block = pi.piLocalInit(0, 0);
  ASSERT_NE(nullptr, block);
  HostFormat record = WorkedExampleRecord();
  record.flags = kHostFormatVideo;
  std::vector<BYTE> bytes = ShortForm(record);
  ASSERT_TRUE(pi.piLocalSetFormat(0, block, bytes.data()));
  ASSERT_TRUE(pi.piLocalProcessDataStart(0, block));
  for (LONG i = 0; i < 45; ++i) ASSERT_TRUE(SaveFrame(block, PatternDib(i, kWidth, kHeight), file));
  pi.piLocalDone(0, block);
  std::map<std::string, std::string> facts = Probe(file);
  EXPECT_EQ("wmv1", facts["video.codec_name"]);
  EXPECT_EQ("45", facts["video.nb_read_frames"]);
}

TEST_F(ExportFiles, SavingDuringAnOpenImportWritesNothing) {
  const qvhost::EntryPoints &pi = testsupport::Pi();
  std::string source = folder_ + "/source.wmv", target = folder_ + "/never.wmv";
  ASSERT_NO_FATAL_FAILURE(Export(source, 10, 0));
  TestInstance instance;
  ASSERT_TRUE(pi.piLocalLoadData(0, instance.handle(), 0, source.c_str()));
  GlobalFree(pi.piLocalGetData(0, instance.handle()));
  ASSERT_TRUE(pi.piLocalLoadData(0, instance.handle(), 1, source.c_str()));  // opens the reader
  std::vector<BYTE> record = ShortForm(WorkedExampleRecord());
  pi.piLocalSetFormat(0, instance.handle(), record.data());
  EXPECT_FALSE(SaveFrame(instance.handle(), PatternDib(0, kWidth, kHeight), target));
  EXPECT_EQ(nullptr, std::fopen(target.c_str(), "rb"));

  // The other way round: a format request would fill the open export's record.
  std::string written = folder_ + "/written.wmv";
  TestInstance exporting;
  HostFormat small = WorkedExampleRecord();
  small.flags = kHostFormatVideo;
  small.bitmap.biWidth = 160;
  small.bitmap.biHeight = 120;
  std::vector<BYTE> smallRecord = ShortForm(small);
  ASSERT_TRUE(pi.piLocalSetFormat(0, exporting.handle(), smallRecord.data()));
  const std::vector<BYTE> smallDib = PatternDib(0, 160, 120);  // the second save below reads it too
  ASSERT_TRUE(SaveFrame(exporting.handle(), smallDib, written));
  EXPECT_FALSE(pi.piLocalLoadData(0, exporting.handle(), 0, source.c_str()));
  EXPECT_EQ(160, exporting.Fields().format.bitmap.biWidth);
  ASSERT_TRUE(pi.piLocalSaveData(0, exporting.handle(), 1, written.c_str()));
  ASSERT_TRUE(pi.piLocalProcessDataEnd(0, exporting.handle()));
  EXPECT_EQ("2", Probe(written)["video.nb_read_frames"]);
}

// A file that cannot be written whole fails the export: the save that meets the
// failure and every later one return 0, so does the transfer end, and no file is
// left that looks finished.
TEST_F(ExportFiles, AWriteThatFailsFailsTheExportAndLeavesNoFile) {
  const qvhost::EntryPoints &pi = testsupport::Pi();
  struct Case {
    const char *what;
    rlim_t limit;          // file size limit in bytes; RLIM_INFINITY for none
    LONG frames, start;    // frames to write, and the first frame's number
    bool aSaveFails;       // else only the transfer end can tell
  };
  const Case cases[] = {
      {"a disk that is full from the start", 0, 30, 0, false},
      {"a disk that fills during the export", 64 * 1024, 300, 0, true},
      {"a frame number too late for the file's times", RLIM_INFINITY, 3, 0x7FFFFF00, true},
  };
  // The highest bit rate: the runtime writes in large stretches, and this profile's
  // 300 frames need more than one.
  ASSERT_NO_FATAL_FAILURE(ChooseTopProfile());
  std::vector<BYTE> pcm = ToneChunk(0, 44100 * 10, 44100);
  for (const Case &c : cases) {
    std::string file = folder_ + "/failed.wmv";
    TestInstance instance;
    HostFormat record = WorkedExampleRecord();
    std::vector<BYTE> bytes = ShortForm(record);
    ASSERT_TRUE(pi.piLocalSetFormat(0, instance.handle(), bytes.data()));
    ASSERT_TRUE(pi.piLocalLength(0, instance.handle(), c.start));
    LONG firstFailed = -1;
    BOOL ended;
    {
      FileSizeLimit limit(c.limit);
      for (LONG i = 0; i < c.frames; ++i) {
        BOOL saved = SaveFrame(instance.handle(), PatternDib(i, kWidth, kHeight), file);
        saved = Save(instance.handle(), 2, pcm.data() + i * 1470 * 4, 1470 * 4, file) && saved;
        if (firstFailed >= 0) {
          EXPECT_FALSE(saved) << c.what << ": every save after a failed one fails, frame " << i;
        } else if (!saved) {
          firstFailed = i;
        }
      }
      ended = pi.piLocalProcessDataEnd(0, instance.handle());
    }
    std::printf("%s: first failed save at frame %ld of %ld\n", c.what, static_cast<long>(firstFailed),
                static_cast<long>(c.frames));
    EXPECT_EQ(c.aSaveFails, firstFailed >= 0) << c.what;
    EXPECT_FALSE(ended) << c.what;
    EXPECT_FALSE(FileExists(file)) << c.what;
  }

  // The command-line host says so and fails.
  std::string file = folder_ + "/full.wmv";
  int status = -1;
  std::string output;
  {
    FileSizeLimit limit(0);
    output = RunCommand("'" QV_TEST_QVHOST "' --plugin '" QV_PLUGIN_PATH "' export '" + file + "' --pattern 30 2>&1",
                   &status);
  }
  EXPECT_NE(0, status) << output;
  EXPECT_NE(std::string::npos, output.find(file + ": File too large (the file reached this process's file size "
                                           "limit of 0 bytes); no file was left"))
      << output;
  EXPECT_EQ(std::string::npos, output.find("wrote")) << output;
  EXPECT_FALSE(FileExists(file));
}

}  // namespace
