// The sample buffers the reader hands to its client, reused once every receiver has
// let go of them: a new block for each video frame would cost page faults on every
// frame.
#ifndef QV_WMF_READER_SAMPLE_BUFFERS_H
#define QV_WMF_READER_SAMPLE_BUFFERS_H

#include <cstddef>
#include <vector>

#include "sample_buffer.h"

namespace wmf {

class ReaderSampleBuffers {
 public:
  ReaderSampleBuffers() = default;
  ~ReaderSampleBuffers();
  ReaderSampleBuffers(const ReaderSampleBuffers &) = delete;
  ReaderSampleBuffers &operator=(const ReaderSampleBuffers &) = delete;

  // A buffer of at least `capacity` bytes, length 0, with one reference for the
  // caller; null when the memory cannot be had.
  SampleBuffer *Take(DWORD capacity);

 private:
  static constexpr size_t kSpares = 8;
  std::vector<SampleBuffer *> spares_;  // each holds one reference of this list
};

}  // namespace wmf

#endif
