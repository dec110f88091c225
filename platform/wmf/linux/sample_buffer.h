// INSSBuffer: one sample's bytes, with a length no larger than its maximum length.
#ifndef QV_WMF_SAMPLE_BUFFER_H
#define QV_WMF_SAMPLE_BUFFER_H

#include <memory>

#include "com_object.h"
#include "large_block.h"

namespace wmf {

class SampleBlocks;

class SampleBuffer final : public ComObject<SampleBuffer, INSSBuffer> {
 public:
  HRESULT STDMETHODCALLTYPE GetLength(DWORD *length) override;
  HRESULT STDMETHODCALLTYPE SetLength(DWORD length) override;
  HRESULT STDMETHODCALLTYPE GetMaxLength(DWORD *length) override;
  HRESULT STDMETHODCALLTYPE GetBuffer(BYTE **buffer) override;
  HRESULT STDMETHODCALLTYPE GetBufferAndLength(BYTE **buffer, DWORD *length) override;

  BYTE *Data() { return data_.get(); }
  DWORD Length() const { return length_; }

 private:
  friend class ComObject<SampleBuffer, INSSBuffer>;  // Release deletes it
  friend class SampleBufferPool;                     // makes them
  // A block of `capacity` bytes lent by `blocks`, of which the first `maxLength` serve.
  SampleBuffer(largeblock::LargeBlock data, DWORD capacity, DWORD maxLength, std::shared_ptr<SampleBlocks> blocks)
      : data_(std::move(data)), capacity_(capacity), maxLength_(maxLength), blocks_(std::move(blocks)) {}
  ~SampleBuffer();  // gives the block back
  largeblock::LargeBlock data_;
  DWORD capacity_;
  DWORD maxLength_;
  DWORD length_ = 0;
  std::shared_ptr<SampleBlocks> blocks_;
};

}  // namespace wmf

#endif
