// INSSBuffer: one sample's bytes, with a length no larger than its capacity.
#ifndef QV_WMF_SAMPLE_BUFFER_H
#define QV_WMF_SAMPLE_BUFFER_H

#include <memory>

#include "com_object.h"
#include "sample_pool.h"

namespace wmf {

class SampleBuffer final : public ComObject<SampleBuffer, INSSBuffer> {
 public:
  // A buffer of `capacity` bytes, length 0; null when the memory cannot be had. With a
  // pool, its memory comes from the pool and goes back to it with the buffer.
  static SampleBuffer *Create(DWORD capacity, std::shared_ptr<SamplePool> pool = nullptr);

  HRESULT STDMETHODCALLTYPE GetLength(DWORD *length) override;
  HRESULT STDMETHODCALLTYPE SetLength(DWORD length) override;
  HRESULT STDMETHODCALLTYPE GetMaxLength(DWORD *length) override;
  HRESULT STDMETHODCALLTYPE GetBuffer(BYTE **buffer) override;
  HRESULT STDMETHODCALLTYPE GetBufferAndLength(BYTE **buffer, DWORD *length) override;

  BYTE *Data() { return data_.get(); }
  DWORD Length() const { return length_; }
  DWORD Capacity() const { return capacity_; }

 private:
  friend class ComObject<SampleBuffer, INSSBuffer>;  // Release deletes it
  SampleBuffer(std::unique_ptr<BYTE[]> data, DWORD capacity, std::shared_ptr<SamplePool> pool)
      : data_(std::move(data)), capacity_(capacity), pool_(std::move(pool)) {}
  ~SampleBuffer();
  std::unique_ptr<BYTE[]> data_;
  DWORD capacity_;
  DWORD length_ = 0;
  std::shared_ptr<SamplePool> pool_;
};

}  // namespace wmf

#endif
