/* What the export command feeds the plug-in: 24-bit frames from .bmp files or a
 * moving test pattern, and PCM audio from a .wav file. */
#ifndef QV_HOST_EXPORT_MEDIA_H
#define QV_HOST_EXPORT_MEDIA_H

#include <string>
#include <vector>

#include "host.h"

namespace qvhost {

struct WavAudio {
  WORD formatTag = 0;
  WORD channels = 0;
  DWORD samplesPerSecond = 0;
  DWORD bytesPerSecond = 0;
  WORD blockAlign = 0;
  WORD bitsPerSample = 0;
  std::vector<BYTE> data;  // the "data" chunk
};

/* Reads a RIFF WAVE file: its "fmt " and "data" chunks. */
bool ReadWavFile(const std::string &path, WavAudio *audio, std::string *error);

/* Why the export cannot take this audio, in words; empty when it can. */
std::string AudioRefusal(const WavAudio &audio);

/* A packed DIB of 24 bits per pixel, bottom-up, rows padded to 4 bytes. */
std::vector<BYTE> NewPackedDib(LONG width, LONG height);

/* Draws frame `frame` of the moving test pattern into a packed DIB from NewPackedDib:
 * soft colour gradients that drift, and a bright square that crosses the picture. */
void DrawTestPattern(std::vector<BYTE> *dib, LONG frame);

/* Why the export cannot take a frame of this header, in words; empty when it can. */
std::string FrameRefusal(const BITMAPINFOHEADER &header);

}  // namespace qvhost

#endif
