// The test switches: other video output formats on real decoded frames, and a reader
// that never reports.
#include <chrono>
#include <cstdlib>

#include "reader_harness.h"

using namespace wmf_fixtures;

namespace {

struct FormatCase {
  const char *name;
  const GUID *subtype;
  WORD bitCount;
  double minimumPsnr;
};

// Creates the reader while the switch is set; the reader reads it then.
::testing::AssertionResult OpenWithSwitch(const char *variable, const char *value, const std::string &path,
                                          OpenedReader *opened) {
  setenv(variable, value, 1);
  HRESULT hr = WMCreateReaderPriv(&opened->reader);
  unsetenv(variable);
  if (hr != S_OK) return ::testing::AssertionFailure() << "WMCreateReaderPriv";
  opened->callback = new RecordingCallback();
  hr = opened->reader->Open(reinterpret_cast<const WCHAR *>(Wide(path).c_str()), opened->callback, nullptr);
  if (hr != S_OK) return ::testing::AssertionFailure() << "Open " << std::hex << hr;
  return ::testing::AssertionSuccess();
}

}  // namespace

class ReaderSwitches : public ReaderTest {};

TEST_F(ReaderSwitches, VideoOutputFormatsCarryRealFrames) {
  const FormatCase cases[] = {
      {"rgb24", &WMMEDIASUBTYPE_RGB24, 24, 30.0},
      {"rgb32", &WMMEDIASUBTYPE_RGB32, 32, 30.0},
      {"rgb555", &WMMEDIASUBTYPE_RGB555, 16, 30.0},
      {"rgb8", &WMMEDIASUBTYPE_RGB8, 8, 18.0},  // 3-3-2 levels: coarse (swapped colours give 11 dB)
  };
  for (const FormatCase &format : cases) {
    SCOPED_TRACE(format.name);
    OpenedReader opened;
    ASSERT_TRUE(OpenWithSwitch("QV_WMF_VIDEO_OUTPUT", format.name, FixturePath(Fixture::Wmv1Video), &opened));
    ASSERT_TRUE(opened.callback->WaitFor(WMT_OPENED));
    const std::vector<BYTE> type = OutputMediaType(opened.reader, 0);
    ASSERT_FALSE(type.empty());
    const WM_MEDIA_TYPE &media = *reinterpret_cast<const WM_MEDIA_TYPE *>(type.data());
    EXPECT_TRUE(media.subtype == *format.subtype);
    const VIDEOINFOHEADER &info = *reinterpret_cast<const VIDEOINFOHEADER *>(media.pbFormat);
    const DWORD stride = ((320u * format.bitCount + 31) / 32) * 4;
    EXPECT_EQ(info.bmiHeader.biBitCount, format.bitCount);
    EXPECT_EQ(info.bmiHeader.biHeight, 240);
    EXPECT_EQ(info.bmiHeader.biSizeImage, stride * 240);
    EXPECT_EQ(info.bmiHeader.biCompression, static_cast<DWORD>(BI_RGB));
    if (format.bitCount == 8) {
      EXPECT_EQ(media.cbFormat, sizeof(VIDEOINFOHEADER) + 256 * sizeof(RGBQUAD));
      EXPECT_EQ(info.bmiHeader.biClrUsed, 256u);
      const RGBQUAD *palette = reinterpret_cast<const RGBQUAD *>(&info + 1);
      EXPECT_EQ(palette[0].rgbRed + palette[0].rgbGreen + palette[0].rgbBlue, 0);
      EXPECT_EQ(palette[255].rgbRed + palette[255].rgbGreen + palette[255].rgbBlue, 3 * 255);
    } else {
      EXPECT_EQ(media.cbFormat, sizeof(VIDEOINFOHEADER));
      EXPECT_EQ(info.bmiHeader.biClrUsed, 0u);
    }
    for (int n : {37, 0, 250}) {
      ReaderEvent sample;
      ASSERT_TRUE(FirstSampleAt(opened, FrameTime(n, 30), 0, &sample));
      EXPECT_EQ(sample.length, stride * 240);
      const wmf_fixtures::Picture picture = PictureOf(sample, type);
      EXPECT_EQ(ReadFrameNumber(picture), n);  // also proves the rows run bottom-up
      EXPECT_GE(Psnr(picture, PatternFrame(n, 320, 240)), format.minimumPsnr) << "frame " << n;
    }
    opened.Finish();
  }
}

TEST_F(ReaderSwitches, UnknownVideoOutputValueKeepsRgb24) {
  ASSERT_TRUE(OpenWithSwitch("QV_WMF_VIDEO_OUTPUT", "yuy2", FixturePath(Fixture::Wmv1Video), &opened));
  ASSERT_TRUE(opened.callback->WaitFor(WMT_OPENED));
  const std::vector<BYTE> type = OutputMediaType(opened.reader, 0);
  ASSERT_FALSE(type.empty());
  EXPECT_TRUE(reinterpret_cast<const WM_MEDIA_TYPE *>(type.data())->subtype == WMMEDIASUBTYPE_RGB24);
}

TEST_F(ReaderSwitches, StalledReaderReportsNothingAndClosesPromptly) {
  ASSERT_TRUE(OpenWithSwitch("QV_WMF_READER_STALL", "1", FixturePath(Fixture::Wmv1Video), &opened));
  EXPECT_FALSE(opened.callback->WaitFor(WMT_OPENED, 1, 0.5));
  EXPECT_NE(opened.reader->Start(0, 0, 1.0f, nullptr), S_OK);
  const auto before = std::chrono::steady_clock::now();
  EXPECT_EQ(opened.reader->Close(), S_OK);
  EXPECT_LT(std::chrono::steady_clock::now() - before, std::chrono::seconds(2));
  EXPECT_TRUE(opened.callback->Events().empty());
}
