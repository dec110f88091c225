// The writer's colour conversion against BT.601's exact formulas at every width up to
// a few steps of its eight-column loop, at odd and even heights, rows either way up:
// the eight-column steps, the pairs after them and an odd picture's repeated edge
// must all agree with the formulas, and nothing may be written beyond the planes.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <random>
#include <vector>

#include "writer/picture_to_yuv420.h"

namespace {

constexpr uint8_t kUntouched = 0xA5;

int Exact(double value) { return static_cast<int>(std::lround(std::clamp(value, 0.0, 255.0))); }

TEST(PictureToYuv420, EveryWidthAgreesWithTheFormulas) {
  std::mt19937 random(11);
  for (int height : {1, 2, 5, 6}) {
    for (int width = 1; width <= 35; ++width) {
      for (bool bottomUp : {false, true}) {
        SCOPED_TRACE(testing::Message() << width << "x" << height << (bottomUp ? " bottom-up" : " top-down"));
        const int stride = (width * 3 + 3) & ~3;
        std::vector<uint8_t> image(static_cast<size_t>(stride) * height);
        for (uint8_t &byte : image) byte = static_cast<uint8_t>(random());
        const uint8_t *top = bottomUp ? &image[static_cast<size_t>(stride) * (height - 1)] : image.data();
        const ptrdiff_t step = bottomUp ? -stride : stride;

        // Each plane one guard row longer and wider than its even size.
        const int lumaWidth = (width + 1) & ~1, lumaHeight = (height + 1) & ~1;
        const int sizes[3][2] = {{lumaWidth, lumaHeight}, {lumaWidth / 2, lumaHeight / 2}, {lumaWidth / 2, lumaHeight / 2}};
        std::vector<uint8_t> planes[3];
        uint8_t *data[3];
        int strides[3];
        for (int p = 0; p < 3; ++p) {
          strides[p] = sizes[p][0] + 5;
          planes[p].assign(static_cast<size_t>(strides[p]) * (sizes[p][1] + 1), kUntouched);
          data[p] = planes[p].data();
        }
        wmf::PictureToYuv420(top, step, width, height, data, strides);

        // The picture's edge stands in for the columns and rows past it.
        auto pixel = [&](int x, int y) {
          return top + step * std::min(y, height - 1) + 3 * std::min(x, width - 1);
        };
        int wrong = 0;
        for (int p = 0; p < 3; ++p) {
          for (int y = 0; y <= sizes[p][1]; ++y) {
            for (int x = 0; x < strides[p]; ++x) {
              const int got = planes[p][static_cast<size_t>(strides[p]) * y + x];
              int want = kUntouched;
              if (x < sizes[p][0] && y < sizes[p][1]) {
                double b = 0, g = 0, r = 0;
                const int scale = p == 0 ? 1 : 2;
                for (int dy = 0; dy < scale; ++dy)
                  for (int dx = 0; dx < scale; ++dx) {
                    const uint8_t *px = pixel(x * scale + dx, y * scale + dy);
                    b += px[0];
                    g += px[1];
                    r += px[2];
                  }
                b /= scale * scale, g /= scale * scale, r /= scale * scale;
                if (p == 0) want = Exact(16 + 219 * (0.299 * r + 0.587 * g + 0.114 * b) / 255);
                if (p == 1) want = Exact(128 + 224 * (-0.168736 * r - 0.331264 * g + 0.5 * b) / 255);
                if (p == 2) want = Exact(128 + 224 * (0.5 * r - 0.418688 * g - 0.081312 * b) / 255);
              }
              // Within one step of the exact value; the guards exactly as they were.
              const bool fine = want == kUntouched && (x >= sizes[p][0] || y >= sizes[p][1])
                                    ? got == want
                                    : std::abs(got - want) <= 1;
              if (!fine && wrong++ == 0) ADD_FAILURE() << "plane " << p << " at " << x << "," << y << ": " << got
                                                       << " where " << want;
            }
          }
        }
      }
    }
  }
}

}  // namespace
