/* Any video or audio file FFmpeg reads, as the source of an export: its video frames
 * one at a time as 24-bit packed DIBs (its sound goes through ReadSound). Provided by
 * the FFmpeg side of the host (host/ffmpeg); without it, Open fails saying so. */
#ifndef QV_HOST_MEDIA_SOURCE_H
#define QV_HOST_MEDIA_SOURCE_H

#include <memory>
#include <string>
#include <vector>

#include "host.h"

namespace qvhost {

class MediaSource {
 public:
  struct Facts {
    bool hasVideo = false;
    bool hasAudio = false;
    LONG width = 0, height = 0;
    LONG frameRate = 0;   // frames per 1,000 seconds, as the host format record counts
    LONG frameCount = 0;  // frames of the video stream, counted through the file
  };

  /* Opens `path` and counts its video frames; null with a message when FFmpeg cannot
   * read it. */
  static std::unique_ptr<MediaSource> Open(const std::string &path, std::string *error);
  virtual ~MediaSource() = default;

  virtual const Facts &facts() const = 0;

  /* The next frame as a packed DIB of 24 bits, bottom-up, held by the source until the
   * next call. Past the last frame the decoder gives, the last one again, so that the
   * export writes as many frames as it announced. Null with a message when there is no
   * frame at all. */
  virtual const std::vector<BYTE> *NextFrame(std::string *error) = 0;
};

}  // namespace qvhost

#endif
