// What the parts of the reader's pipeline share: the times they count in, and an
// output as they see it, the decoder and converter of one stream with the picture it
// holds back until the next one says where it ends. Inside the pipeline only.
#ifndef QV_WMF_READER_PIPELINE_OUTPUT_H
#define QV_WMF_READER_PIPELINE_OUTPUT_H

#include <memory>

extern "C" {
#include <libavcodec/avcodec.h>
}

#include "reader_audio_converter.h"
#include "reader_pipeline.h"
#include "reader_video_converter.h"

namespace wmf {
namespace pipeline {

constexpr int64_t kUnitsPerSecond = 10000000;
constexpr AVRational kUnits = {1, 10000000};
constexpr int64_t kTolerance = 5000;                  // half a millisecond (see reader_pipeline.cpp)
constexpr int64_t kContinueWindow = kUnitsPerSecond;  // decode forward rather than seek within this

}  // namespace pipeline

struct ReaderPipeline::Output {
  DWORD index = 0;  // among the pipeline's outputs
  int stream = -1;
  bool video = false;
  MediaType type;
  AVCodecContext *codec = nullptr;
  AVRational timeBase{1, 1000};
  std::unique_ptr<ReaderVideoConverter> picture;
  std::unique_ptr<ReaderAudioConverter> sound;
  int sampleRate = 0;
  int64_t frameDuration = 0;  // video: the nominal time per frame
  int64_t nextTime = 0;       // where a frame without a time stamp goes
  bool waitKey = false;       // after a seek, decoding starts at a key frame
  bool landing = false;       // after a seek, the first packet is still to show where it landed
  int64_t deliveredUntil = 0; // video: the end of the last frame handed out since the seek
  bool discontinuity = false;
  AVFrame *held = nullptr;    // video: the latest frame, until the next one's time is known
  int64_t heldTime = 0;

  bool Holds() const { return held && held->buf[0]; }

  ~Output() {
    av_frame_free(&held);
    avcodec_free_context(&codec);
  }
};

}  // namespace wmf

#endif
