// Pictures of any kind FFmpeg reads (BMP of any depth, PNG, JPEG, ...) as 24-bit DIBs.
#include "decoding_input.h"
#include "picture_file.h"

namespace qvhost {

bool DecodePicture(const std::string &path, std::vector<BYTE> *dib, std::string *error) {
  DecodingInput input;
  // A damaged picture is refused rather than sent half grey.
  if (!input.Open(path, AVMEDIA_TYPE_VIDEO, error, true)) return false;
  AVFrame *frame = av_frame_alloc();
  std::string failure;
  bool decoded = frame && input.Next(frame, &failure);
  if (!decoded)
    *error = failure.empty() ? path + ": no picture could be decoded" : failure;
  else if (!(decoded = PictureToPackedDib(frame, dib, &failure)))
    *error = path + ": " + failure;
  av_frame_free(&frame);
  return decoded;
}

}  // namespace qvhost
