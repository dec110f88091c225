// A qvhost built without FFmpeg's libraries (QV_HOST_MEDIA off, as on the Windows test
// hosts): it takes what the plug-in takes as it is, and says so when asked for more.
#include "audio_convert.h"
#include "media_source.h"
#include "picture_file.h"
#include "png_file.h"

#include <cstring>

namespace qvhost {
namespace {

const char kWithout[] = "this qvhost was built without FFmpeg's libraries (QV_HOST_MEDIA off)";

// Why a picture cannot go to the plug-in as it is, as far as the BMP reader can tell.
std::string PictureProblem(const std::string &path) {
  std::vector<BYTE> bmp;
  std::string problem;
  if (!ReadBmpFile(path, &bmp, &problem)) return problem;
  BITMAPINFOHEADER header;
  std::memcpy(&header, bmp.data(), sizeof header);
  return path + ": " + FrameRefusal(header);
}

// Why a sound file cannot go to the plug-in as it is, as far as the WAV reader can tell.
std::string SoundProblem(const std::string &path) {
  WavAudio audio;
  std::string problem;
  if (!ReadWavFile(path, &audio, &problem)) return problem;
  problem = AudioRefusal(audio);
  if (problem.empty() && audio.channels > 2)
    problem = "the audio has " + std::to_string(audio.channels) + " channels; the export takes 1 or 2";
  if (problem.empty()) problem = "the audio's block alignment does not match its channels and bits";
  return path + ": " + problem;
}

}  // namespace

bool DecodePicture(const std::string &path, std::vector<BYTE> *, std::string *error) {
  *error = PictureProblem(path) + "; " + kWithout + ", which converting other pictures needs: convert it "
           "first, for example with ffmpeg -i IN -pix_fmt bgr24 OUT.bmp";
  return false;
}

bool DecodeSound(const std::string &path, WavAudio *, SoundDescription *, std::string *error) {
  *error = SoundProblem(path) + "; " + kWithout + ", which converting other sound needs: convert it first, for "
           "example with ffmpeg -i IN -ar 44100 -ac 2 -c:a pcm_s16le OUT.wav";
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
