// The information request: the host format record and the output kinds a file gives.
#include <gtest/gtest.h>
#include <string.h>

#include "asf_patch.h"
#include "files.h"
#include "import_harness.h"

using namespace importtest;

namespace {

class FormatTest : public InstanceTest {
 protected:
  /* Kind 0 on `file`; the record handed out, which the host then owns and frees. */
  HostFormat Information(const std::string &file) {
    HostFormat format = {};
    EXPECT_EQ(Pi().piLocalLoadData(0, instance_, 0, file.c_str()), 1) << file;
    HGLOBAL copy = Pi().piLocalGetData(0, instance_);
    EXPECT_EQ(GlobalSize(copy), sizeof(HostFormat));
    std::vector<BYTE> bytes = qvhost::CopyGlobal(copy);
    if (bytes.size() >= sizeof(format)) memcpy(&format, bytes.data(), sizeof(format));
    {
      InstanceBlock *block = Block(instance_);
      EXPECT_EQ(memcmp(&block->format, &format, sizeof(format)), 0) << "the copy is the block's record";
      EXPECT_TRUE(block->reader == nullptr) << "an information request keeps no reader";
      EXPECT_EQ(block->transferOpen, 0);
    }
    GlobalFree(copy);
    return format;
  }

  static void ExpectTailZero(const HostFormat &format) {
    const BYTE *bytes = reinterpret_cast<const BYTE *>(&format);
    for (size_t i = 72; i < sizeof(format); ++i) EXPECT_EQ(bytes[i], 0) << "byte " << i;
  }

};

TEST_F(FormatTest, VideoWithStereoAudio) {
  HostFormat format = Information(Clip("av.wmv"));
  EXPECT_EQ(format.flags, 0x05000003u);
  EXPECT_EQ(format.frameCount, 300);
  EXPECT_EQ(format.frameRate, 30000);
  EXPECT_EQ(format.bitmap.biSize, 40u);
  EXPECT_EQ(format.bitmap.biWidth, 160);
  EXPECT_EQ(format.bitmap.biHeight, 120);
  EXPECT_EQ(format.audioLength, 441000);
  EXPECT_EQ(format.wave.wFormatTag, WAVE_FORMAT_PCM);
  EXPECT_EQ(format.wave.nChannels, 2);
  EXPECT_EQ(format.wave.nSamplesPerSec, 44100u);
  EXPECT_EQ(format.wave.wBitsPerSample, 16);
  EXPECT_EQ(format.wave.nBlockAlign, 4);
  ExpectTailZero(format);
  InstanceBlock *block = Block(instance_);
  EXPECT_EQ(block->outputKinds[0], 1);
  EXPECT_EQ(block->outputKinds[1], 2);
}

// Windows Media Audio pads its last packet, so the file lasts a little over 10 s;
// frame count and audio length both follow the file's duration.
TEST_F(FormatTest, VideoWithWindowsMediaAudio) {
  HostFormat format = Information(Clip("av-wma.wmv"));
  EXPECT_EQ(format.flags, 0x05000003u);
  EXPECT_GE(format.frameCount, 300);
  EXPECT_LE(format.frameCount, 302);
  EXPECT_EQ(format.frameCount, (LONG)((LONGLONG)format.audioLength * 30 / 44100));
  EXPECT_EQ(format.wave.wFormatTag, WAVE_FORMAT_PCM) << "the runtime decodes to PCM";
  ExpectTailZero(format);
}

TEST_F(FormatTest, AudioOnlyStillCountsFrames) {
  HostFormat format = Information(Clip("audio.wmv"));
  EXPECT_EQ(format.flags, 0x00000002u);
  EXPECT_GE(format.frameCount, 299);
  EXPECT_LE(format.frameCount, 302);
  EXPECT_EQ(format.frameRate, 30000);
  EXPECT_EQ(format.frameCount, (LONG)((LONGLONG)format.audioLength * 30 / 44100));
  EXPECT_EQ(format.bitmap.biSize, 0u);
  ExpectTailZero(format);
}

TEST_F(FormatTest, VideoOnly) {
  HostFormat format = Information(Clip("video.wmv"));
  EXPECT_EQ(format.flags, 0x01000001u);
  EXPECT_EQ(format.frameCount, 60);
  EXPECT_EQ(format.audioLength, 0);
  EXPECT_EQ(format.wave.nSamplesPerSec, 0u);
  ExpectTailZero(format);
}

// The record describes the first video output, the one frames come from, even when a
// later one has another size.
TEST_F(FormatTest, TwoVideoStreamsDescribeTheFirst) {
  HostFormat format = Information(Clip("twovideo.wmv"));
  EXPECT_EQ(format.flags, 0x01000001u);
  if (PlatformRuntime()) {
    // Wine numbers the outputs in GStreamer's pad order, which may put the 96 x 64
    // stream first; FramesComeFromTheFirstOfTwoVideoStreams checks the frames match.
    EXPECT_TRUE(format.bitmap.biWidth == 160 || format.bitmap.biWidth == 96) << format.bitmap.biWidth;
  } else {
    EXPECT_EQ(format.bitmap.biWidth, 160);
    EXPECT_EQ(format.bitmap.biHeight, 120);
  }
  InstanceBlock *block = Block(instance_);
  EXPECT_EQ(block->outputKinds[0], 1);
  EXPECT_EQ(block->outputKinds[1], 0);
}

// 25 frames per second in the file, 30 on the way to the host.
TEST_F(FormatTest, OtherFrameRatesArePresentedAtThirty) {
  HostFormat format = Information(Clip("fps25.wmv"));
  EXPECT_EQ(format.frameRate, 30000);
  EXPECT_EQ(format.frameCount, 120);
}

// Only the first 64 outputs fit the kind table; the video output after them is
// neither classified nor described, and nothing past the table is written.
TEST_F(FormatTest, OnlyTheFirst64OutputsAreClassified) {
  if (PlatformRuntime()) GTEST_SKIP() << "Wine's reader cannot open the file: GStreamer's ASF demuxer "
                                         "refuses a file with more than 32 streams";
  {
    InstanceBlock *block = Block(instance_);
    block->wantedOutput = 0x12345678;
  }
  HostFormat format = Information(Clip("many.wmv"));
  EXPECT_EQ(format.flags, 0x00000002u);
  EXPECT_EQ(format.bitmap.biSize, 0u);
  InstanceBlock *block = Block(instance_);
  EXPECT_EQ(block->outputKinds[0], 2);
  EXPECT_EQ(block->outputKinds[63], 65);
  EXPECT_EQ(block->wantedOutput, 0x12345678u) << "the field after the table";
  block->wantedOutput = kNoWantedOutput;
}

// A header declaring more than the counts can hold gives the largest count, never a
// wrapped one: 30.5 hours is 3,294,000 frames but 4.8 billion sample frames at 44.1 kHz,
// and a length of all ones more of both.
TEST_F(FormatTest, LengthsBeyondTheCountsAreHeldAtTheLargest) {
  testsupport::TempFolder folder;
  const std::string hours = folder / "hours.wmv", endless = folder / "endless.wmv";
  ASSERT_TRUE(testsupport::CopyWithAsfDuration(Clip("av.wmv"), hours, 1098000000000ull));
  ASSERT_TRUE(testsupport::CopyWithAsfDuration(Clip("av.wmv"), endless, UINT64_MAX));
  HostFormat format = Information(hours);
  EXPECT_EQ(format.frameCount, 3294000);
  EXPECT_EQ(format.audioLength, 0x7FFFFFFF);
  format = Information(endless);
  EXPECT_EQ(format.frameCount, 0x7FFFFFFF);
  EXPECT_EQ(format.audioLength, 0x7FFFFFFF);
}

TEST_F(FormatTest, NullNameHandsOutTheCurrentRecord) {
  ASSERT_EQ(Pi().piLocalLoadData(0, instance_, 0, nullptr), 1);
  HGLOBAL copy = Pi().piLocalGetData(0, instance_);
  std::vector<BYTE> bytes = qvhost::CopyGlobal(copy);
  ASSERT_EQ(bytes.size(), sizeof(HostFormat));
  for (BYTE b : bytes) EXPECT_EQ(b, 0);
  GlobalFree(copy);

  Information(Clip("video.wmv"));
  ASSERT_EQ(Pi().piLocalLoadData(0, instance_, 0, nullptr), 1);
  copy = Pi().piLocalGetData(0, instance_);
  bytes = qvhost::CopyGlobal(copy);
  ASSERT_EQ(bytes.size(), sizeof(HostFormat));
  HostFormat format;
  memcpy(&format, bytes.data(), sizeof(format));
  EXPECT_EQ(format.flags, 0x01000001u);
  GlobalFree(copy);
}

// A file that cannot be read fails: the result handle still names the copy the host
// took over (and freed) earlier, so success would hand it out a second time.
TEST_F(FormatTest, UnreadableFilesFail) {
  Information(Clip("video.wmv"));
  for (const std::string &file : {Clip("notmedia.wmv"), Clip("missing.wmv")}) {
    EXPECT_EQ(Pi().piLocalLoadData(0, instance_, 0, file.c_str()), 0) << file;
    InstanceBlock *block = Block(instance_);
    EXPECT_TRUE(block->reader == nullptr);
  }
  std::string longName(300, 'a');
  EXPECT_EQ(Pi().piLocalLoadData(0, instance_, 0, longName.c_str()), 0);
}

}  // namespace
