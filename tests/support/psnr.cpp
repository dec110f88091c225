#include "psnr.h"

#include <cmath>

namespace testsupport {

double Psnr(const uint8_t *a, const uint8_t *b, size_t size) {
  double squares = 0;
  for (size_t i = 0; i < size; ++i) {
    const double d = static_cast<double>(a[i]) - b[i];
    squares += d * d;
  }
  if (squares == 0) return 99.0;
  return 10.0 * std::log10(255.0 * 255.0 * static_cast<double>(size) / squares);
}

}  // namespace testsupport
