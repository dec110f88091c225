// The asynchronous reader (IWMReader with IWMHeaderInfo) that WMCreateReaderPriv makes.
#ifndef QV_WMF_READER_H
#define QV_WMF_READER_H

#include <memory>
#include <mutex>

#include "com_object.h"
#include "reader_session.h"

namespace wmf {

class Reader final : public ComObject<Reader, IWMReader, IWMHeaderInfo> {
 public:
  // Reads the test switches of extensions.h now, as the reader is made.
  Reader();
  ~Reader();

  // IWMReader
  HRESULT STDMETHODCALLTYPE Open(const WCHAR *url, IWMReaderCallback *callback, void *context) override;
  HRESULT STDMETHODCALLTYPE Close() override;
  HRESULT STDMETHODCALLTYPE GetOutputCount(DWORD *count) override;
  HRESULT STDMETHODCALLTYPE GetOutputProps(DWORD output, IWMOutputMediaProps **props) override;
  HRESULT STDMETHODCALLTYPE SetOutputProps(DWORD output, IWMOutputMediaProps *props) override;
  HRESULT STDMETHODCALLTYPE GetOutputFormatCount(DWORD output, DWORD *count) override;
  HRESULT STDMETHODCALLTYPE GetOutputFormat(DWORD output, DWORD format, IWMOutputMediaProps **props) override;
  HRESULT STDMETHODCALLTYPE Start(QWORD start, QWORD duration, float rate, void *context) override;
  HRESULT STDMETHODCALLTYPE Stop() override;
  HRESULT STDMETHODCALLTYPE Pause() override;
  HRESULT STDMETHODCALLTYPE Resume() override;

  // IWMHeaderInfo
  HRESULT STDMETHODCALLTYPE GetAttributeCount(WORD stream, WORD *count) override;
  HRESULT STDMETHODCALLTYPE GetAttributeByIndex(WORD index, WORD *stream, WCHAR *name, WORD *nameLength,
                                                WMT_ATTR_DATATYPE *type, BYTE *value, WORD *length) override;
  HRESULT STDMETHODCALLTYPE GetAttributeByName(WORD *stream, LPCWSTR name, WMT_ATTR_DATATYPE *type, BYTE *value,
                                               WORD *length) override;
  HRESULT STDMETHODCALLTYPE SetAttribute(WORD stream, LPCWSTR name, WMT_ATTR_DATATYPE type, const BYTE *value,
                                         WORD length) override;
  HRESULT STDMETHODCALLTYPE GetMarkerCount(WORD *markers) override;
  HRESULT STDMETHODCALLTYPE GetMarker(WORD index, WCHAR *name, WORD *nameLength, QWORD *time) override;
  HRESULT STDMETHODCALLTYPE AddMarker(LPCWSTR name, QWORD time) override;
  HRESULT STDMETHODCALLTYPE RemoveMarker(WORD index) override;
  HRESULT STDMETHODCALLTYPE GetScriptCount(WORD *scripts) override;
  HRESULT STDMETHODCALLTYPE GetScript(WORD index, WCHAR *type, WORD *typeLength, WCHAR *command,
                                      WORD *commandLength, QWORD *time) override;
  HRESULT STDMETHODCALLTYPE AddScript(LPCWSTR type, LPCWSTR command, QWORD time) override;
  HRESULT STDMETHODCALLTYPE RemoveScript(WORD index) override;

 private:
  // The open file's session, when its open succeeded.
  std::shared_ptr<ReaderSession> OpenSession() const;

  ReaderSession::Settings settings_;
  mutable std::mutex lock_;
  std::shared_ptr<ReaderSession> session_;
};

}  // namespace wmf

#endif
