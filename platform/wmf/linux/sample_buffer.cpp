// INSSBuffer over a heap block.
#include "sample_buffer.h"

#include <new>

namespace wmf {

SampleBuffer *SampleBuffer::Create(DWORD capacity, std::shared_ptr<SamplePool> pool) {
  std::unique_ptr<BYTE[]> data =
      pool ? pool->Take(capacity) : std::unique_ptr<BYTE[]>(new (std::nothrow) BYTE[capacity ? capacity : 1]);
  if (!data) return nullptr;
  SampleBuffer *buffer = new (std::nothrow) SampleBuffer(std::move(data), capacity, std::move(pool));
  return buffer;
}

SampleBuffer::~SampleBuffer() {
  if (pool_) pool_->Give(std::move(data_), capacity_);
}

HRESULT SampleBuffer::GetLength(DWORD *length) {
  if (!length) return E_POINTER;
  *length = length_;
  return S_OK;
}

HRESULT SampleBuffer::SetLength(DWORD length) {
  if (length > capacity_) return E_INVALIDARG;
  length_ = length;
  return S_OK;
}

HRESULT SampleBuffer::GetMaxLength(DWORD *length) {
  if (!length) return E_POINTER;
  *length = capacity_;
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
