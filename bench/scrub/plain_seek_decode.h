// The plain way to fetch frames with FFmpeg's libraries, the yardstick of the scrub
// benchmark: for each request seek to the key frame at or before it, decode forward
// to it and convert it to bottom-up BGR24 rows; a request for the next frame decodes
// on without a seek. One thread, no cache.
#ifndef QV_BENCH_PLAIN_SEEK_DECODE_H
#define QV_BENCH_PLAIN_SEEK_DECODE_H

#include <cstdint>
#include <string>
#include <vector>

struct AVFormatContext;
struct AVCodecContext;
struct AVFrame;
struct AVPacket;
struct SwsContext;

class PlainSeekDecoder {
 public:
  PlainSeekDecoder() = default;
  PlainSeekDecoder(const PlainSeekDecoder &) = delete;
  PlainSeekDecoder &operator=(const PlainSeekDecoder &) = delete;
  ~PlainSeekDecoder();

  bool Open(const std::string &path);
  // Frame n at `fps` (the frame shown at n / fps s) as bottom-up BGR24 rows of a
  // 4-byte stride; false past the end.
  bool Frame(int n, int fps, std::vector<uint8_t> *dib);
  int Width() const { return width_; }
  int Height() const { return height_; }

 private:
  bool DecodeNext(AVFrame *into);
  bool Convert(const AVFrame &frame, std::vector<uint8_t> *dib);

  AVFormatContext *format_ = nullptr;
  AVCodecContext *codec_ = nullptr;
  AVFrame *frame_ = nullptr;
  AVFrame *next_ = nullptr;
  AVPacket *packet_ = nullptr;
  SwsContext *sws_ = nullptr;
  std::vector<uint8_t> topDown_;
  int stream_ = -1;
  int width_ = 0, height_ = 0;
  int last_ = -2;  // the request served last
  bool haveNext_ = false;
};

#endif
