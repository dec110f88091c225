// Stream configurations of a profile.
#include "profile_stream.h"

#include <new>

#include "profile_text.h"

namespace wmf {

StreamConfig *StreamConfig::Create(const StreamInfo &info) { return new (std::nothrow) StreamConfig(info); }

HRESULT StreamConfig::GetStreamType(GUID *type) {
  if (!type) return E_POINTER;
  *type = info_.type;
  return S_OK;
}

HRESULT StreamConfig::GetStreamNumber(WORD *number) {
  if (!number) return E_POINTER;
  *number = info_.number;
  return S_OK;
}

HRESULT StreamConfig::SetStreamNumber(WORD number) {
  // ASF numbers streams 1 to 63.
  if (number < 1 || number > 63) return E_INVALIDARG;
  info_.number = number;
  return S_OK;
}

HRESULT StreamConfig::GetStreamName(WCHAR *name, WORD *length) { return CopyText(info_.name, name, length); }

HRESULT StreamConfig::SetStreamName(LPCWSTR name) {
  if (!name) return E_POINTER;
  info_.name = name;
  return S_OK;
}

HRESULT StreamConfig::GetConnectionName(WCHAR *name, WORD *length) {
  return CopyText(info_.connection, name, length);
}

HRESULT StreamConfig::SetConnectionName(LPCWSTR name) {
  if (!name) return E_POINTER;
  info_.connection = name;
  return S_OK;
}

HRESULT StreamConfig::GetBitrate(DWORD *bitrate) {
  if (!bitrate) return E_POINTER;
  *bitrate = info_.bitrate;
  return S_OK;
}

HRESULT StreamConfig::SetBitrate(DWORD bitrate) {
  info_.bitrate = bitrate;
  return S_OK;
}

HRESULT StreamConfig::GetBufferWindow(DWORD *window) {
  if (!window) return E_POINTER;
  *window = info_.bufferWindow;
  return S_OK;
}

HRESULT StreamConfig::SetBufferWindow(DWORD window) {
  info_.bufferWindow = window;
  return S_OK;
}

}  // namespace wmf
