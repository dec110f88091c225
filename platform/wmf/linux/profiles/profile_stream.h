// IWMStreamConfig: one stream of a profile (its type, number, names and bit rate).
#ifndef QV_WMF_PROFILE_STREAM_H
#define QV_WMF_PROFILE_STREAM_H

#include <string>

#include "com_object.h"

namespace wmf {

struct StreamInfo {
  GUID type{};
  WORD number = 0;
  DWORD bitrate = 0;
  DWORD bufferWindow = 0;  // milliseconds
  std::u16string name;
  std::u16string connection;
};

// A detached copy of a stream: changes reach a profile only through ReconfigStream
// or AddStream, as on the platform.
class StreamConfig final : public ComObject<StreamConfig, IWMStreamConfig> {
 public:
  static StreamConfig *Create(const StreamInfo &info);
  const StreamInfo &Info() const { return info_; }

  HRESULT STDMETHODCALLTYPE GetStreamType(GUID *type) override;
  HRESULT STDMETHODCALLTYPE GetStreamNumber(WORD *number) override;
  HRESULT STDMETHODCALLTYPE SetStreamNumber(WORD number) override;
  HRESULT STDMETHODCALLTYPE GetStreamName(WCHAR *name, WORD *length) override;
  HRESULT STDMETHODCALLTYPE SetStreamName(LPCWSTR name) override;
  HRESULT STDMETHODCALLTYPE GetConnectionName(WCHAR *name, WORD *length) override;
  HRESULT STDMETHODCALLTYPE SetConnectionName(LPCWSTR name) override;
  HRESULT STDMETHODCALLTYPE GetBitrate(DWORD *bitrate) override;
  HRESULT STDMETHODCALLTYPE SetBitrate(DWORD bitrate) override;
  HRESULT STDMETHODCALLTYPE GetBufferWindow(DWORD *window) override;
  HRESULT STDMETHODCALLTYPE SetBufferWindow(DWORD window) override;

 private:
  explicit StreamConfig(const StreamInfo &info) : info_(info) {}
  StreamInfo info_;
};

}  // namespace wmf

#endif
