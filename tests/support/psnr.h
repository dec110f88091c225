// Peak signal-to-noise ratio, the measure of how well a decoded picture keeps its
// source.
#ifndef QV_TESTS_SUPPORT_PSNR_H
#define QV_TESTS_SUPPORT_PSNR_H

#include <cstddef>
#include <cstdint>

namespace testsupport {

// PSNR in dB of `size` bytes (8-bit samples) against as many others; 99 when they
// are the same.
double Psnr(const uint8_t *a, const uint8_t *b, size_t size);

}  // namespace testsupport

#endif
