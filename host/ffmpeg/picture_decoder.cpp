// Pictures of any kind FFmpeg reads (BMP of any depth, PNG, JPEG, ...) as 24-bit DIBs.
#include "decoding_input.h"
#include "picture_file.h"

namespace qvhost {

bool DecodePicture(const std::string &path, std::vector<BYTE> *dib, std::string *error) {
  DecodingInput input;
  if (!input.Open(path, AVMEDIA_TYPE_VIDEO, error)) return false;
  AVFrame *frame = av_frame_alloc();
  std::string failure;
  bool decoded = frame && input.Next(frame, &failure);
  if (decoded && !PictureToPackedDib(frame, dib, &failure)) decoded = false;
  av_frame_free(&frame);
  if (!decoded) *error = path + ": " + (failure.empty() ? "no picture could be decoded" : failure);
  return decoded;
}

}  // namespace qvhost
