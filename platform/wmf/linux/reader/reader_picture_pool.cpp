// The reader's picture buffers.
#include "reader_picture_pool.h"

#include "large_block.h"

#include <cstdint>
#include <utility>
#include <vector>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavutil/buffer.h>
#include <libavutil/imgutils.h>
}

namespace wmf {

namespace {

constexpr size_t kBlock = 4 * largeblock::LargeBlock::kHugePage;  // several pictures of the usual sizes
constexpr size_t kAlign = 64;             // what the decoders' SIMD code wants of planes and rows
constexpr size_t kPlanePadding = 16 + kAlign;  // read past a plane's end, as libavcodec allows for

size_t AlignUp(size_t value, size_t to) { return (value + to - 1) / to * to; }

// Blocks to carve buffers from; they go when the pool goes, after its last buffer.
struct Arena {
  std::vector<largeblock::LargeBlock> blocks;
  uint8_t *next = nullptr;
  size_t left = 0;
};

void KeepBuffer(void *, uint8_t *) {}  // the block goes with the arena

AVBufferRef *CarveBuffer(void *opaque, size_t size) {
  Arena *arena = static_cast<Arena *>(opaque);
  if (arena->left < size) {
    largeblock::LargeBlock block = largeblock::LargeBlock::Allocate(size > kBlock ? size : kBlock);
    if (!block) return nullptr;
    arena->next = block.get();
    arena->left = block.size();
    arena->blocks.push_back(std::move(block));
  }
  AVBufferRef *buffer = av_buffer_create(arena->next, size, KeepBuffer, nullptr, 0);
  if (!buffer) return nullptr;
  arena->next += size;
  arena->left -= size;
  return buffer;
}

void FreeArena(void *opaque) { delete static_cast<Arena *>(opaque); }

}  // namespace

ReaderPicturePool::~ReaderPicturePool() { av_buffer_pool_uninit(&pool_); }

void ReaderPicturePool::Serve(AVCodecContext *codec) {
  codec->opaque = this;
  codec->get_buffer2 = GetBuffer;
}

// Lays the pool out for the first picture asked for, as libavcodec's own buffers are
// laid out (its alignment of the picture's size and of the rows); other pictures come
// from libavcodec's own buffers.
bool ReaderPicturePool::Fits(const AVCodecContext &codec, const AVFrame &frame) {
  std::lock_guard<std::mutex> hold(lock_);
  if (!laidOut_) {
    laidOut_ = true;
    const AVPixelFormat format = static_cast<AVPixelFormat>(frame.format);
    if (format != AV_PIX_FMT_YUV420P || frame.width <= 0 || frame.height <= 0) return false;
    int width = frame.width, height = frame.height;
    int strideAlign[AV_NUM_DATA_POINTERS];
    avcodec_align_dimensions2(const_cast<AVCodecContext *>(&codec), &width, &height, strideAlign);
    if (av_image_fill_linesizes(linesize_, format, width) < 0) return false;
    size_t offset = 0;
    for (int i = 0; i < 3; ++i) {
      linesize_[i] = static_cast<int>(AlignUp(static_cast<size_t>(linesize_[i]), kAlign));
      offset_[i] = offset;
      const int rows = i == 0 ? height : (height + 1) / 2;
      offset = AlignUp(offset + static_cast<size_t>(linesize_[i]) * rows + kPlanePadding, kAlign);
    }
    planes_ = 3;
    Arena *arena = new Arena;
    pool_ = av_buffer_pool_init2(offset, arena, CarveBuffer, FreeArena);
    if (!pool_) {
      delete arena;
      return false;
    }
    format_ = frame.format;
    width_ = frame.width;
    height_ = frame.height;
  }
  return pool_ && frame.format == format_ && frame.width == width_ && frame.height == height_;
}

int ReaderPicturePool::GetBuffer(AVCodecContext *codec, AVFrame *frame, int flags) {
  ReaderPicturePool *self = static_cast<ReaderPicturePool *>(codec->opaque);
  if (!self || !self->Fits(*codec, *frame)) return avcodec_default_get_buffer2(codec, frame, flags);
  frame->buf[0] = av_buffer_pool_get(self->pool_);
  if (!frame->buf[0]) return AVERROR(ENOMEM);
  for (int i = 0; i < self->planes_; ++i) {
    frame->data[i] = frame->buf[0]->data + self->offset_[i];
    frame->linesize[i] = self->linesize_[i];
  }
  frame->extended_data = frame->data;
  return 0;
}

}  // namespace wmf
