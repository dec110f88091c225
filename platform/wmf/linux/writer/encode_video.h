// Video input to Windows Media Video 7 (FFmpeg's wmv1): RGB24 rows, bottom-up at a
// 4-byte stride as the platform lays them out, converted to 4:2:0 and encoded at the
// input's size and frame rate with a key frame about once a second.
#ifndef QV_WMF_ENCODE_VIDEO_H
#define QV_WMF_ENCODE_VIDEO_H

#include <cstdint>

#include "encode_output.h"

namespace wmf {

class VideoEncoder {
 public:
  VideoEncoder() = default;
  VideoEncoder(const VideoEncoder &) = delete;
  VideoEncoder &operator=(const VideoEncoder &) = delete;
  ~VideoEncoder();

  // `format` was accepted by CheckVideoInput.
  HRESULT Open(const VIDEOINFOHEADER &format, DWORD bitrate, AsfFile &file);
  // One frame of at least ImageSize() bytes shown from `time` (100 ns units).
  HRESULT Encode(const BYTE *image, DWORD length, QWORD time, bool keyFrame, AsfFile &file);
  // The end of the stream: writes what the encoder still holds.
  HRESULT Finish(AsfFile &file);
  DWORD ImageSize() const { return imageSize_; }

 private:
  EncodedStream out_;
  AVFrame *frame_ = nullptr;
  int width_ = 0, height_ = 0;  // of the input; the encoded size is rounded up to even
  DWORD stride_ = 0;
  DWORD imageSize_ = 0;
  bool bottomUp_ = true;
  long long lastPts_ = -1;
};

}  // namespace wmf

#endif
