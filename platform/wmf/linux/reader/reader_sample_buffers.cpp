// The reader's reused sample buffers.
#include "reader_sample_buffers.h"

namespace wmf {

ReaderSampleBuffers::~ReaderSampleBuffers() {
  for (SampleBuffer *spare : spares_) spare->Release();
}

SampleBuffer *ReaderSampleBuffers::Take(DWORD capacity) {
  size_t freeSlot = spares_.size();
  for (size_t i = 0; i < spares_.size(); ++i) {
    SampleBuffer *spare = spares_[i];
    if (spare->AddRef() != 2) {  // a receiver still holds it
      spare->Release();
      continue;
    }
    if (spare->Capacity() >= capacity) {
      spare->SetLength(0);
      return spare;
    }
    spare->Release();
    freeSlot = i;
  }
  SampleBuffer *fresh = SampleBuffer::Create(capacity);
  if (!fresh) return nullptr;
  if (freeSlot < spares_.size()) {
    spares_[freeSlot]->Release();
    spares_[freeSlot] = fresh;
    fresh->AddRef();
  } else if (spares_.size() < kSpares) {
    spares_.push_back(fresh);
    fresh->AddRef();
  }
  return fresh;
}

}  // namespace wmf
