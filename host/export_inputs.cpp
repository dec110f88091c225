// Picture inputs of the export.
#include "export_inputs.h"

#include <cstring>

#include "export_media.h"

namespace qvhost {

bool CheckPictures(const std::vector<std::string> &paths, PictureLoader load, BITMAPINFOHEADER *first,
                   std::string *error) {
  std::vector<BYTE> dib;
  for (size_t i = 0; i < paths.size(); ++i) {
    if (!load(paths[i], &dib, error)) return false;
    BITMAPINFOHEADER header;
    std::memcpy(&header, dib.data(), sizeof(header));
    if (i == 0) {
      *first = header;
    } else if (header.biWidth != first->biWidth || header.biHeight != first->biHeight) {
      *error = paths[i] + ": " + std::to_string(header.biWidth) + "x" + std::to_string(header.biHeight) +
               " differs from the first picture's " + std::to_string(first->biWidth) + "x" +
               std::to_string(first->biHeight) + " (" + paths[0] + ")";
      return false;
    }
  }
  return true;
}

}  // namespace qvhost
