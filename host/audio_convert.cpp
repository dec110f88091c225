// Sound for the export: WAV the plug-in takes as it is, anything else through FFmpeg.
#include "audio_convert.h"

#include <cerrno>
#include <cstdio>
#include <cstring>

namespace qvhost {

SoundDescription PlugInSoundFormat(const SoundDescription &found) {
  SoundDescription target;
  // Upwards to the next accepted rate loses nothing; above 44,100 Hz there is none.
  target.samplesPerSecond = found.samplesPerSecond <= 11025 ? 11025 : found.samplesPerSecond <= 22050 ? 22050 : 44100;
  target.channels = found.channels >= 2 ? 2 : 1;
  target.bitsPerSample = found.bitsPerSample <= 8 && !found.floatingPoint ? 8 : 16;
  return target;
}

std::string DescribeSound(const SoundDescription &sound) {
  std::string text = std::to_string(sound.samplesPerSecond) + " Hz, ";
  text += sound.channels == 1 ? "mono" : sound.channels == 2 ? "stereo" : std::to_string(sound.channels) + " channels";
  if (!sound.coding.empty())
    text += ", " + sound.coding;
  else
    text += ", " + std::to_string(sound.bitsPerSample) + (sound.floatingPoint ? "-bit float" : "-bit");
  return text;
}

bool ReadSound(const std::string &path, WavAudio *audio, std::string *note, std::string *error) {
  note->clear();
  FILE *file = std::fopen(path.c_str(), "rb");
  if (!file) {
    *error = "cannot open '" + path + "': " + std::strerror(errno);
    return false;
  }
  std::fclose(file);
  std::string notWav;
  if (ReadWavFile(path, audio, &notWav) && AudioRefusal(*audio).empty() && audio->channels <= 2 &&
      audio->blockAlign == audio->channels * audio->bitsPerSample / 8)
    return true;
  SoundDescription found;
  if (!DecodeSound(path, audio, &found, error)) return false;
  SoundDescription made;
  made.samplesPerSecond = audio->samplesPerSecond;
  made.channels = audio->channels;
  made.bitsPerSample = audio->bitsPerSample;
  *note = "converted the sound of " + path + " from " + DescribeSound(found) + " to " + DescribeSound(made) +
          ", as the plug-in takes it";
  return true;
}

}  // namespace qvhost
