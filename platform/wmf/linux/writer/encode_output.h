// What both encoders share: passing a frame to the codec and every packet it has
// ready on to the file, timed in the stream's time base.
#ifndef QV_WMF_ENCODE_OUTPUT_H
#define QV_WMF_ENCODE_OUTPUT_H

#include "writer_file.h"

struct AVCodecContext;
struct AVFrame;
struct AVPacket;
struct AVStream;

namespace wmf {

struct EncodedStream {
  AVCodecContext *codec = nullptr;
  AVStream *stream = nullptr;
  AVPacket *packet = nullptr;
  long long packetDuration = 0;  // in the codec's time base, for packets without one
  // When set (codec time base), no packet reaches past it: padding after the last
  // real sample does not lengthen the file's duration.
  long long contentEnd = -1;
};

// Sends `frame` (null: the end of the stream) and writes what comes out.
HRESULT EncodeAndWrite(EncodedStream &out, const AVFrame *frame, AsfFile &file);

// Opens the codec and makes `out.stream` describe it.
HRESULT OpenEncodedStream(EncodedStream &out, AsfFile &file);

void FreeEncodedStream(EncodedStream &out);

}  // namespace wmf

#endif
