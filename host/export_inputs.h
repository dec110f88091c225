/* The export's picture inputs, checked all together before the first frame is
 * written, so that a bad picture late in the list costs no half-written file. */
#ifndef QV_HOST_EXPORT_INPUTS_H
#define QV_HOST_EXPORT_INPUTS_H

#include <string>
#include <vector>

#include "host.h"

namespace qvhost {

/* Reads the picture at `path` as a frame for the plug-in: a packed DIB of exactly a
 * 24-bit BITMAPINFOHEADER and its bottom-up rows. False with a message naming the file
 * and the reason when it cannot. */
using PictureLoader = bool (*)(const std::string &path, std::vector<BYTE> *dib, std::string *error);

/* Loads every picture once: each must be readable, a picture that `load` takes, and of
 * the first one's size. Gives the first one's header. */
bool CheckPictures(const std::vector<std::string> &paths, PictureLoader load, BITMAPINFOHEADER *first,
                   std::string *error);

}  // namespace qvhost

#endif
