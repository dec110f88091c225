// 24-bit rows (blue, green, red) to the 4:2:0 planes wmv1 takes, with BT.601's
// studio range as FFmpeg's decoders assume, rounded, each chroma sample the mean of
// its 2x2 block. An odd picture fills even planes, its last column and row repeated,
// so that it needs no padded copy first.
#ifndef QV_WMF_PICTURE_TO_YUV420_H
#define QV_WMF_PICTURE_TO_YUV420_H

#include <cstddef>
#include <cstdint>

namespace wmf {

// `top` is the picture's top row and `rowStep` the bytes from a row to the one below
// (negative for bottom-up rows). The planes hold (width + 1) / 2 * 2 luma columns and
// (height + 1) / 2 * 2 luma rows, chroma half of each.
void PictureToYuv420(const uint8_t *top, ptrdiff_t rowStep, int width, int height, uint8_t *const planes[3],
                     const int strides[3]);

}  // namespace wmf

#endif
