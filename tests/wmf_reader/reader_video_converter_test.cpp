// The reader's picture conversion against FFmpeg's own into a picture of its own
// layout (what `ffmpeg -pix_fmt bgr24` writes), at every width: libswscale's fast
// converters write whole blocks of pixels, so a width that is not a multiple of them
// is where a conversion into a DIB goes wrong.
#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <random>
#include <vector>

#include "dib/geometry.h"
#include "reader/reader_video_converter.h"

extern "C" {
#include <libavutil/frame.h>
#include <libavutil/log.h>
#include <libavutil/pixdesc.h>
#include <libswscale/swscale.h>
}

namespace {

struct FrameFree {
  void operator()(AVFrame *frame) const { av_frame_free(&frame); }
};
using Frame = std::unique_ptr<AVFrame, FrameFree>;

Frame NewFrame(AVPixelFormat format, int width, int height) {
  Frame frame(av_frame_alloc());
  frame->format = format;
  frame->width = width;
  frame->height = height;
  if (av_frame_get_buffer(frame.get(), 0) < 0) return nullptr;
  return frame;
}

Frame RandomPicture(AVPixelFormat format, int width, int height, std::mt19937 *random) {
  Frame frame = NewFrame(format, width, height);
  for (int plane = 0; plane < 4 && frame->buf[plane]; ++plane)
    for (size_t i = 0; i < frame->buf[plane]->size; ++i) frame->buf[plane]->data[i] = static_cast<uint8_t>((*random)());
  return frame;
}

// FFmpeg's conversion as its command line makes it: bicubic, into a frame of its own.
Frame FfmpegConversion(const AVFrame &source, AVPixelFormat format, int width, int height) {
  Frame out = NewFrame(format, width, height);
  SwsContext *sws = sws_getContext(source.width, source.height, static_cast<AVPixelFormat>(source.format), width,
                                   height, format, SWS_BICUBIC, nullptr, nullptr, nullptr);
  const int rows = sws ? sws_scale(sws, source.data, source.linesize, 0, source.height, out->data, out->linesize) : 0;
  sws_freeContext(sws);
  return rows == height ? std::move(out) : nullptr;
}

struct Output {
  wmf::VideoOutputKind kind;
  AVPixelFormat format;
};
constexpr Output kOutputs[] = {{wmf::VideoOutputKind::Rgb24, AV_PIX_FMT_BGR24},
                               {wmf::VideoOutputKind::Rgb32, AV_PIX_FMT_BGR0},
                               {wmf::VideoOutputKind::Rgb555, AV_PIX_FMT_RGB555LE},
                               {wmf::VideoOutputKind::Rgb8, AV_PIX_FMT_BGR8}};

// Converts `source` into a width x height DIB between canaries and compares every row
// with FFmpeg's conversion: the first differing column, or the canary it overwrote.
::testing::AssertionResult ConvertsLikeFfmpeg(const AVFrame &source, const Output &output, int width, int height) {
  constexpr BYTE kCanary = 0xA5;
  constexpr size_t kMargin = 64;
  wmf::ReaderVideoConverter converter(output.kind, width, height);
  std::vector<BYTE> memory(kMargin + converter.BufferSize() + kMargin, kCanary);
  BYTE *dib = memory.data() + kMargin;
  if (!converter.Convert(source, dib)) return ::testing::AssertionFailure() << "the conversion failed";
  const Frame expected = FfmpegConversion(source, output.format, width, height);
  if (!expected) return ::testing::AssertionFailure() << "FFmpeg's conversion failed";

  const size_t pixel = av_get_padded_bits_per_pixel(av_pix_fmt_desc_get(output.format)) / 8;
  const size_t stride = DWORD(dib::RowStride(uint64_t(width), wmf::BitCount(output.kind)));
  for (int y = 0; y < height; ++y) {
    const BYTE *row = dib + (height - 1 - y) * stride;
    const BYTE *want = expected->data[0] + static_cast<ptrdiff_t>(y) * expected->linesize[0];
    for (int x = 0; x < width; ++x)
      if (std::memcmp(row + x * pixel, want + x * pixel, pixel) != 0)
        return ::testing::AssertionFailure() << "row " << y << " differs from column " << x;
  }
  for (size_t i = 0; i < kMargin; ++i)
    if (memory[i] != kCanary || memory[memory.size() - 1 - i] != kCanary)
      return ::testing::AssertionFailure() << "wrote outside its buffer";
  return ::testing::AssertionSuccess();
}

class ReaderVideoConverter : public ::testing::Test {
 protected:
  void SetUp() override { av_log_set_level(AV_LOG_ERROR); }  // libswscale notes every path it takes
};

}  // namespace

TEST_F(ReaderVideoConverter, EveryWidthConvertsLikeFfmpeg) {
  std::mt19937 random(7);
  for (const int height : {2, 3}) {  // even: libswscale's fast path; odd: its filtering one
    for (int width = 1; width <= 2048; ++width) {
      const Frame source = RandomPicture(AV_PIX_FMT_YUV420P, width, height, &random);
      ASSERT_TRUE(source);
      for (const Output &output : kOutputs)
        ASSERT_TRUE(ConvertsLikeFfmpeg(*source, output, width, height))
            << width << "x" << height << " " << av_get_pix_fmt_name(output.format);
    }
  }
}

// Other decoders' pictures, and pictures of another size than the output's.
TEST_F(ReaderVideoConverter, OtherFormatsAndSizesConvertLikeFfmpeg) {
  std::mt19937 random(11);
  for (const AVPixelFormat format : {AV_PIX_FMT_YUV422P, AV_PIX_FMT_RGB24, AV_PIX_FMT_PAL8, AV_PIX_FMT_YUV420P}) {
    for (int width = 1; width <= 48; ++width) {
      const bool scaled = format == AV_PIX_FMT_YUV420P;
      const Frame source = RandomPicture(format, scaled ? width + 6 : width, scaled ? 9 : 4, &random);
      ASSERT_TRUE(source);
      for (const Output &output : kOutputs)
        ASSERT_TRUE(ConvertsLikeFfmpeg(*source, output, width, 4))
            << av_get_pix_fmt_name(format) << " at width " << width << " to " << av_get_pix_fmt_name(output.format);
    }
  }
}

// Every luma value under every pair of chroma values: the saturations at both ends of
// each channel are where a converter of its own strays from libswscale's arithmetic.
TEST_F(ReaderVideoConverter, EveryLumaAndChromaValueConvertsLikeFfmpeg) {
  const Frame source = NewFrame(AV_PIX_FMT_YUV420P, 512, 512);
  ASSERT_TRUE(source);
  for (int row = 0; row < 256; ++row) {
    for (int column = 0; column < 256; ++column) {
      source->data[1][row * source->linesize[1] + column] = static_cast<uint8_t>(row);
      source->data[2][row * source->linesize[2] + column] = static_cast<uint8_t>(column);
    }
  }
  for (int pass = 0; pass < 64; ++pass) {  // the four luma samples of a chroma sample: 4 * pass to 4 * pass + 3
    for (int y = 0; y < 512; ++y)
      for (int x = 0; x < 512; ++x) source->data[0][y * source->linesize[0] + x] = uint8_t(4 * pass + 2 * (y & 1) + (x & 1));
    ASSERT_TRUE(ConvertsLikeFfmpeg(*source, kOutputs[0], 512, 512)) << "luma " << 4 * pass << " to " << 4 * pass + 3;
  }
}
