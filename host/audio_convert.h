/* Sound as the export takes it: any sound file the person has, as PCM in a format the
 * plug-in takes (11,025, 22,050 or 44,100 Hz; 8 or 16 bits; 1 or 2 channels). */
#ifndef QV_HOST_AUDIO_CONVERT_H
#define QV_HOST_AUDIO_CONVERT_H

#include <string>

#include "export_media.h"

namespace qvhost {

/* A sound format as found in a file, in the terms a person reads. */
struct SoundDescription {
  DWORD samplesPerSecond = 0;
  WORD channels = 0;
  WORD bitsPerSample = 0;
  bool floatingPoint = false;
  std::string coding;  // a compressed sound's codec ("aac"); empty for PCM
};

/* The format the plug-in takes that loses least of `found`: the lowest accepted rate at
 * or above its rate (44,100 Hz at most), mono or stereo, 8 bits only for 8-bit sound. */
SoundDescription PlugInSoundFormat(const SoundDescription &found);

/* "48000 Hz, 6 channels, 24 bits" */
std::string DescribeSound(const SoundDescription &sound);

/* Reads the sound of `path`: a WAV file the plug-in takes as it is, anything else
 * converted through FFmpeg (DecodeSound). `*note` is one line that tells what was
 * converted into what, empty when nothing was. */
bool ReadSound(const std::string &path, WavAudio *audio, std::string *note, std::string *error);

/* Decodes the first sound stream of any file FFmpeg reads into PCM of
 * PlugInSoundFormat(*found); `*found` describes it as it was in the file. Provided by
 * the FFmpeg side of the host (host/ffmpeg); without it, fails saying so. */
bool DecodeSound(const std::string &path, WavAudio *audio, SoundDescription *found, std::string *error);

}  // namespace qvhost

#endif
