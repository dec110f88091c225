// INSSBuffer: one sample's bytes, with a length no larger than its capacity.
#ifndef QV_WMF_SAMPLE_BUFFER_H
#define QV_WMF_SAMPLE_BUFFER_H

#include <memory>

#include "com_object.h"

namespace wmf {

class SampleBuffer final : public ComObject<SampleBuffer, INSSBuffer> {
 public:
  // A buffer of `capacity` bytes, length 0; null when the memory cannot be had.
  static SampleBuffer *Create(DWORD capacity);

  HRESULT STDMETHODCALLTYPE GetLength(DWORD *length) override;
  HRESULT STDMETHODCALLTYPE SetLength(DWORD length) override;
  HRESULT STDMETHODCALLTYPE GetMaxLength(DWORD *length) override;
  HRESULT STDMETHODCALLTYPE GetBuffer(BYTE **buffer) override;
  HRESULT STDMETHODCALLTYPE GetBufferAndLength(BYTE **buffer, DWORD *length) override;

  BYTE *Data() { return data_.get(); }
  DWORD Length() const { return length_; }
  DWORD Capacity() const { return capacity_; }

 private:
  SampleBuffer(std::unique_ptr<BYTE[]> data, DWORD capacity) : data_(std::move(data)), capacity_(capacity) {}
  std::unique_ptr<BYTE[]> data_;
  DWORD capacity_;
  DWORD length_ = 0;
};

}  // namespace wmf

#endif
