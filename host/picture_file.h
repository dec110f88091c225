/* Pictures as the export takes them: whatever the person has (a BMP of any depth or
 * row order, PNG, JPEG), as the 24-bit bottom-up packed DIB the plug-in takes. */
#ifndef QV_HOST_PICTURE_FILE_H
#define QV_HOST_PICTURE_FILE_H

#include <string>
#include <vector>

#include "host.h"

namespace qvhost {

/* Reads `path` as a packed DIB of exactly a 40-byte header (24 bits, BI_RGB, positive
 * height) and its rows. A plain 24-bit bottom-up BMP is taken as it is; anything else
 * goes through FFmpeg (DecodePicture). */
bool ReadPicture(const std::string &path, std::vector<BYTE> *dib, std::string *error);

/* Decodes the first picture of any image file FFmpeg reads into such a packed DIB.
 * Provided by the FFmpeg side of the host (host/ffmpeg); without it, fails saying so. */
bool DecodePicture(const std::string &path, std::vector<BYTE> *dib, std::string *error);

}  // namespace qvhost

#endif
