// A qvhost built without FFmpeg's libraries (QV_HOST_MEDIA off, as on the Windows test
// hosts): it takes what the plug-in takes as it is, and says so when asked for more.
#include "audio_convert.h"
#include "media_source.h"
#include "picture_file.h"
#include "png_file.h"

namespace qvhost {
namespace {

const char kWithout[] = "this qvhost was built without FFmpeg's libraries (QV_HOST_MEDIA off)";

}  // namespace

bool DecodePicture(const std::string &path, std::vector<BYTE> *, std::string *error) {
  *error = path + " is not a 24-bit bottom-up BMP, and " + kWithout +
           ", which it needs to convert other pictures: convert it first, for example with "
           "ffmpeg -i IN -pix_fmt bgr24 OUT.bmp";
  return false;
}

bool DecodeSound(const std::string &path, WavAudio *, SoundDescription *, std::string *error) {
  *error = path + " is not PCM WAV as the plug-in takes it (8 or 16 bits, 11025, 22050 or 44100 Hz, 1 or 2 "
           "channels), and " + kWithout + ", which it needs to convert other sound: convert it first, for example "
           "with ffmpeg -i IN -ar 44100 -ac 2 -c:a pcm_s16le OUT.wav";
  return false;
}

std::unique_ptr<MediaSource> MediaSource::Open(const std::string &path, std::string *error) {
  *error = "cannot read " + path + " as a source: " + kWithout + ", which reading other media files needs";
  return nullptr;
}

bool CanWritePng(std::string *why) {
  *why = std::string("cannot write PNG: ") + kWithout + ", whose PNG encoder it needs: write .bmp frames instead";
  return false;
}

bool WritePngFile(const std::string &, const BYTE *, size_t, std::string *error) {
  CanWritePng(error);
  return false;
}

}  // namespace qvhost
