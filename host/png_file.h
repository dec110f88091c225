/* .png files of the frames a person looks at. Written through FFmpeg's PNG encoder
 * (host/ffmpeg); a build without it says so. */
#ifndef QV_HOST_PNG_FILE_H
#define QV_HOST_PNG_FILE_H

#include <string>

#include "host.h"

namespace qvhost {

/* Whether this qvhost can write PNG; when not, `*why` says why. */
bool CanWritePng(std::string *why);

/* Writes a 24-bit packed DIB as a PNG file. */
bool WritePngFile(const std::string &path, const BYTE *packedDib, size_t size, std::string *error);

}  // namespace qvhost

#endif
