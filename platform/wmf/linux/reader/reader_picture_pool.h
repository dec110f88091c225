// Picture buffers for the decoders of the reader's video output, shared by them and
// carved from large blocks that the system may back with huge pages. First touches
// of fresh memory are what makes keeping decoded pictures slow (the cache keeps
// dozens; reading frame after frame, two decoders fill it): in 4 KB pages every touch
// of a new page stops the program, in 2 MB pages one touch in 512 does. One pool for
// both decoders also needs fewer buffers than one each.
#ifndef QV_WMF_READER_PICTURE_POOL_H
#define QV_WMF_READER_PICTURE_POOL_H

#include <cstddef>
#include <mutex>

struct AVBufferPool;
struct AVCodecContext;
struct AVFrame;

namespace wmf {

class ReaderPicturePool {
 public:
  ReaderPicturePool() = default;
  ~ReaderPicturePool();
  ReaderPicturePool(const ReaderPicturePool &) = delete;
  ReaderPicturePool &operator=(const ReaderPicturePool &) = delete;

  // Makes `codec` (before it is opened) take its pictures from this pool; the pool
  // must outlive the codec, and its buffers may outlive both.
  void Serve(AVCodecContext *codec);

 private:
  static int GetBuffer(AVCodecContext *codec, AVFrame *frame, int flags);
  bool Fits(const AVCodecContext &codec, const AVFrame &frame);

  std::mutex lock_;
  bool laidOut_ = false;
  int format_ = -1, width_ = 0, height_ = 0;
  int linesize_[4] = {};
  size_t offset_[4] = {};
  int planes_ = 0;
  AVBufferPool *pool_ = nullptr;  // hands out whole pictures; freed with its last buffer
};

}  // namespace wmf

#endif
