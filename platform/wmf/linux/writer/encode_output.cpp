// From encoder to file.
#include "encode_output.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
}

namespace wmf {

HRESULT OpenEncodedStream(EncodedStream &out, AsfFile &file) {
  out.stream = file.AddStream();
  out.packet = av_packet_alloc();
  if (!out.stream || !out.packet) return E_OUTOFMEMORY;
  int error = avcodec_open2(out.codec, out.codec->codec, nullptr);
  if (error < 0) return NS_E_INVALID_INPUT_FORMAT;
  error = avcodec_parameters_from_context(out.stream->codecpar, out.codec);
  if (error < 0) return ResultOfAv(error);
  // ASF keeps milliseconds; the muxer confirms this when it writes the header.
  out.stream->time_base = AVRational{1, 1000};
  return S_OK;
}

HRESULT EncodeAndWrite(EncodedStream &out, const AVFrame *frame, AsfFile &file) {
  int error = avcodec_send_frame(out.codec, frame);
  if (error < 0) return ResultOfAv(error);
  for (;;) {
    error = avcodec_receive_packet(out.codec, out.packet);
    if (error == AVERROR(EAGAIN) || error == AVERROR_EOF) return S_OK;
    if (error < 0) return ResultOfAv(error);
    if (out.packet->duration <= 0) out.packet->duration = out.packetDuration;
    if (out.contentEnd >= 0 && out.packet->pts != AV_NOPTS_VALUE &&
        out.packet->pts + out.packet->duration > out.contentEnd)
      out.packet->duration = out.packet->pts < out.contentEnd ? out.contentEnd - out.packet->pts : 0;
    if (out.packet->pts != AV_NOPTS_VALUE)
      file.ExtendDuration(av_rescale_q_rnd(out.packet->pts + out.packet->duration, out.codec->time_base,
                                           AVRational{1, 10000000}, AV_ROUND_UP));
    av_packet_rescale_ts(out.packet, out.codec->time_base, out.stream->time_base);
    out.packet->stream_index = out.stream->index;
    HRESULT hr = file.Write(out.packet);
    av_packet_unref(out.packet);
    if (FAILED(hr)) return hr;
  }
}

void FreeEncodedStream(EncodedStream &out) {
  avcodec_free_context(&out.codec);
  av_packet_free(&out.packet);
  out.stream = nullptr;  // owned by the file
}

}  // namespace wmf
