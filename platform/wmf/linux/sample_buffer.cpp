// INSSBuffer over a block of the pool.
#include "sample_buffer.h"

#include "sample_buffer_pool.h"

namespace wmf {

SampleBuffer::~SampleBuffer() {
  blocks_->Give(std::move(data_), capacity_);
}

HRESULT SampleBuffer::GetLength(DWORD *length) {
  if (!length) return E_POINTER;
  *length = length_;
  return S_OK;
}

HRESULT SampleBuffer::SetLength(DWORD length) {
  if (length > maxLength_) return E_INVALIDARG;
  length_ = length;
  return S_OK;
}

HRESULT SampleBuffer::GetMaxLength(DWORD *length) {
  if (!length) return E_POINTER;
  *length = maxLength_;
  return S_OK;
}

HRESULT SampleBuffer::GetBuffer(BYTE **buffer) {
  if (!buffer) return E_POINTER;
  *buffer = data_.get();
  return S_OK;
}

HRESULT SampleBuffer::GetBufferAndLength(BYTE **buffer, DWORD *length) {
  if (!buffer || !length) return E_POINTER;
  *buffer = data_.get();
  *length = length_;
  return S_OK;
}

}  // namespace wmf
