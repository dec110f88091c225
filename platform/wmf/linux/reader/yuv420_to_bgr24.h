// 4:2:0 pictures to 24-bit rows (blue, green, red) with the fixed-point arithmetic of
// libswscale's x86 converter, so that every pixel is the one FFmpeg's own conversion
// (`ffmpeg -pix_fmt bgr24`) gives there, at less than half its cost: 32 pixels a step
// with AVX2, and exactly the pixels asked for, so that bottom-up DIB rows of any width
// take them directly.
#ifndef QV_WMF_YUV420_TO_BGR24_H
#define QV_WMF_YUV420_TO_BGR24_H

#include <cstddef>
#include <cstdint>

namespace wmf {

// Whether this machine converts here faster than libswscale does: an x86 processor
// with AVX2. Elsewhere libswscale's own arithmetic may differ, and it converts.
bool Yuv420ToBgr24IsFast();

// An even-height 4:2:0 picture, read top-down (chroma row y / 2 for row y), into rows
// of 3 * width bytes: `top` receives the top row and `rowStep` is the bytes from a row
// to the one below (negative for bottom-up rows).
void Yuv420ToBgr24(const uint8_t *const planes[3], const int strides[3], int width, int height, uint8_t *top,
                   ptrdiff_t rowStep);

}  // namespace wmf

#endif
