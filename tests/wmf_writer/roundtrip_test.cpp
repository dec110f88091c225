// A file the writer makes, read back by FFmpeg's command-line tools: the streams,
// the duration, every frame (at least 30 dB PSNR against the source), a seek, the
// index, and the sound lined up with the pictures.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>
#include <sstream>

#include "writer_support.h"

using namespace writer_test;

namespace {

constexpr LONG kWidth = 320, kHeight = 240;
constexpr int kFrames = 300;
constexpr DWORD kRate = 44100;
constexpr DWORD kBroadbandProfile = 13;  // "Video for broadband NTSC (2 Mbps total)"

// Writes 300 frames at 30 per second and 10 s of tone, interleaved as a host does.
class RoundTrip : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    path_ = TempPath("roundtrip.wmv");
    ComPtr<IWMWriter> writer = CreateWriter(kBroadbandProfile, path_);
    ASSERT_TRUE(writer);
    OwnedType video = VideoType(kWidth, kHeight), audio = AudioType(kRate, 2, 16);
    DWORD videoInput = 99, audioInput = 99;
    ASSERT_EQ(S_OK, DeclareInput(writer, WMMEDIATYPE_Video, video, &videoInput));
    ASSERT_EQ(S_OK, DeclareInput(writer, WMMEDIATYPE_Audio, audio, &audioInput));
    ASSERT_EQ(S_OK, writer->BeginWriting());
    long long samples = 0;
    const int chunk = 4410;
    for (int frame = 0; frame < kFrames; ++frame) {
      const std::vector<BYTE> image = PatternDibRows(frame, kWidth, kHeight);
      const QWORD time = static_cast<QWORD>(frame) * 10000000000ull / 30000;
      ASSERT_EQ(S_OK, WriteBytes(writer, videoInput, time, image.data(), static_cast<DWORD>(image.size())));
      while (samples * 30 < static_cast<long long>(frame + 1) * kRate) {
        const std::vector<BYTE> tone = ToneChunk(samples, chunk, kRate);
        const QWORD at = static_cast<QWORD>(samples) * 10000000 / kRate;
        ASSERT_EQ(S_OK, WriteBytes(writer, audioInput, at, tone.data(), static_cast<DWORD>(tone.size())));
        samples += chunk;
      }
    }
    ASSERT_EQ(kRate * 10, samples);
    ASSERT_EQ(S_OK, writer->Flush());
    ASSERT_EQ(S_OK, writer->EndWriting());
    EXPECT_EQ(0u, ReleaseNow(writer));
  }
  static std::string path_;
};
std::string RoundTrip::path_;

TEST_F(RoundTrip, StreamsDurationAndFrameCount) {
  const std::string probe = RunCommand("ffprobe -v error -count_frames -show_entries "
                                       "stream=codec_type,codec_name,width,height,duration,nb_read_frames "
                                       "-of default=nw=1 '" + path_ + "'");
  EXPECT_NE(std::string::npos, probe.find("codec_name=wmav2\ncodec_type=audio")) << probe;
  EXPECT_NE(std::string::npos, probe.find("codec_name=wmv1\ncodec_type=video\nwidth=320\nheight=240")) << probe;
  EXPECT_NE(std::string::npos, probe.find("nb_read_frames=300")) << probe;
  // The file's duration (its header's play time) is the pictures' 10 s: the sound's
  // padding after its last sample does not count.
  const size_t at = probe.find("duration=");
  ASSERT_NE(std::string::npos, at) << probe;
  EXPECT_NEAR(10.0, std::stod(probe.substr(at + 9)), 1.0 / 30) << probe;

  // Pictures start at 0. Sound packets start two codec frames (2 x 2048 samples)
  // earlier: FFmpeg's decoder drops what those decode to, so the first sample of
  // the sound is heard at 0.
  const std::string firsts = RunCommand("ffprobe -v error -show_entries packet=stream_index,pts_time -of csv=p=0 '" +
                                        path_ + "' | sort -u -t, -k1,1");
  EXPECT_NE(std::string::npos, firsts.find("0,-0.093")) << firsts;
  EXPECT_NE(std::string::npos, firsts.find("1,0.000")) << firsts;
}

TEST_F(RoundTrip, EveryFrameDecodesCloseToItsSource) {
  const std::vector<BYTE> decoded = RunCommandBinary("ffmpeg -v error -i '" + path_ +
                                              "' -map 0:v -fps_mode passthrough -f rawvideo -pix_fmt bgr24 -");
  const size_t frameBytes = kWidth * kHeight * 3;
  ASSERT_EQ(frameBytes * kFrames, decoded.size());
  double worst = 99;
  for (int i = 0; i < kFrames; ++i)
    worst = std::min(worst, Psnr(PatternFrame(i, kWidth, kHeight).data(), &decoded[i * frameBytes], frameBytes));
  EXPECT_GE(worst, 30.0);
}

TEST_F(RoundTrip, SeekingLandsOnTheFrame) {
  const size_t frameBytes = kWidth * kHeight * 3;
  const std::vector<BYTE> decoded =
      RunCommandBinary("ffmpeg -v error -seek_timestamp 1 -ss 5 -i '" + path_ + "' -map 0:v -frames:v 1 -f rawvideo -pix_fmt bgr24 -");
  ASSERT_EQ(frameBytes, decoded.size());
  auto psnrAgainst = [&](int frame) {
    return Psnr(PatternFrame(frame, kWidth, kHeight).data(), decoded.data(), frameBytes);
  };
  EXPECT_GE(psnrAgainst(150), 30.0);
  EXPECT_GT(psnrAgainst(150), psnrAgainst(149) + 1.0);
  EXPECT_GT(psnrAgainst(150), psnrAgainst(151) + 1.0);
}

TEST_F(RoundTrip, FileEndsWithAnIndex) {
  std::ifstream in(path_, std::ios::binary);
  const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  // The simple index object's GUID, {33000890-E5B1-11CF-89F4-00A0C90349CB}.
  static const unsigned char kSimpleIndex[16] = {0x90, 0x08, 0x00, 0x33, 0xB1, 0xE5, 0xCF, 0x11,
                                                 0x89, 0xF4, 0x00, 0xA0, 0xC9, 0x03, 0x49, 0xCB};
  const size_t at = bytes.find(std::string(reinterpret_cast<const char *>(kSimpleIndex), 16));
  ASSERT_NE(std::string::npos, at);
  EXPECT_GT(at, bytes.size() / 2);  // after the data
}

TEST_F(RoundTrip, SoundIsCompleteAndLinedUp) {
  const std::vector<BYTE> pcm = RunCommandBinary("ffmpeg -v error -i '" + path_ + "' -map 0:a -f s16le -ac 2 -");
  const long long decoded = static_cast<long long>(pcm.size() / 4);
  // Nothing is lost: the whole 10 s, padded up to whole codec frames.
  ASSERT_GE(decoded, static_cast<long long>(kRate) * 10);
  EXPECT_LT(decoded, static_cast<long long>(kRate) * 10 + 2 * 2048);

  // Best match of decoded sample (k + lag) to source sample k, around 5 s in. The
  // decoded sound starts at time 0, as the first packet FFmpeg outputs shows.
  const std::string first = RunCommand("ffprobe -v error -select_streams a -show_entries frame=pts_time "
                                       "-read_intervals %+#8 -of csv=p=0 '" + path_ + "' | head -1");
  EXPECT_EQ(0, std::stod(first)) << first;
  auto sampleAt = [&](long long i, int c) {
    short s;
    std::memcpy(&s, &pcm[(i * 2 + c) * 2], 2);
    return static_cast<double>(s);
  };
  long long bestLag = -99999;
  double bestError = 1e300;
  for (long long lag = -4096; lag <= 4096; ++lag) {
    double error = 0;
    for (long long k = 220500; k < 220500 + 2000; ++k)
      for (int c = 0; c < 2; ++c) {
        const double d = sampleAt(k + lag, c) - ToneSample(k, c, kRate);
        error += d * d;
      }
    if (error < bestError) {
      bestError = error;
      bestLag = lag;
    }
  }
  EXPECT_EQ(0, bestLag);  // heard at its own time
  // Signal to noise of the tone at that lag: 8000 amplitude, well above 20 dB.
  const double signal = 8000.0 * 8000.0 / 2 * 4000;
  EXPECT_GT(10 * std::log10(signal / bestError), 20.0);
}

}  // namespace
