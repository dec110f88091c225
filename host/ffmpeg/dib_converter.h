/* Decoded pictures into packed DIBs of 24 bits, bottom-up, rows padded to 4 bytes: the
 * frames the plug-in takes. One converter serves a whole video, keeping its scaler and
 * the DIB's memory from one frame to the next. */
#ifndef QV_HOST_FFMPEG_DIB_CONVERTER_H
#define QV_HOST_FFMPEG_DIB_CONVERTER_H

extern "C" {
#include <libavutil/frame.h>
}

#include <string>
#include <vector>

#include "host.h"

struct SwsContext;

namespace qvhost {

class DibConverter {
 public:
  DibConverter() = default;
  ~DibConverter();
  DibConverter(const DibConverter &) = delete;
  DibConverter &operator=(const DibConverter &) = delete;

  /* Converts `frame` into `*dib`, scaled to width x height when those are given (a
   * stream that changes size); false with a message when it cannot be. */
  bool Convert(const AVFrame *frame, std::vector<BYTE> *dib, std::string *error, LONG width = 0, LONG height = 0);

 private:
  SwsContext *scaler_ = nullptr;
  std::vector<BYTE> topDown_;  // for the pictures whose rows cannot be turned on the way in
};

}  // namespace qvhost

#endif
