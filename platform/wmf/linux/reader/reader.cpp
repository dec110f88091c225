// The asynchronous reader: the COM face over a ReaderSession.
#include "reader.h"

#include <cstdlib>
#include <cstring>
#include <new>
#include <sys/stat.h>

#include "asf_streams.h"
#include "file_path.h"
#include "reader_frame_cache.h"
#include "reader_output_props.h"

#ifndef ASF_E_NOTFOUND
#  define ASF_E_NOTFOUND ((HRESULT)0xC00D07F0L)
#endif

namespace wmf {

namespace {

const WCHAR kDurationName[] = u"Duration";

bool SameName(LPCWSTR a, const WCHAR *b) {
  while (*a && *a == *b) ++a, ++b;
  return *a == *b;
}

bool IsReadableFile(const std::string &path) {
  struct stat info;
  return stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode);
}

}  // namespace

Reader::Reader() {
  settings_.videoKind = VideoOutputKindFromEnvironment();
  const char *stall = std::getenv(QV_WMF_READER_STALL_VARIABLE);
  settings_.stall = stall && std::strcmp(stall, "1") == 0;
  settings_.cacheBudget = ReaderCacheBudgetFromEnvironment();
}

Reader::~Reader() { Close(); }

HRESULT Reader::Open(const WCHAR *url, IWMReaderCallback *callback, void *context) {
  if (!url || !callback) return E_INVALIDARG;
  ReaderSession::Settings settings = settings_;
  if (!Utf8PathOf(url, &settings.path)) return E_INVALIDARG;
  std::lock_guard<std::mutex> hold(lock_);
  if (session_) return NS_E_INVALID_REQUEST;  // Close first
  // A missing file fails here; one that cannot be parsed reports through WMT_OPENED.
  if (!IsReadableFile(settings.path)) return NS_E_FILE_OPEN_FAILED;
  // So is protected content, as by the platform's reader without DRM support.
  AsfStreams streams;
  if (ReadAsfStreams(settings.path, &streams) && streams.isProtected) return NS_E_PROTECTED_CONTENT;
  session_ = ReaderSession::Launch(settings, callback, context);
  return session_ ? S_OK : E_OUTOFMEMORY;
}

HRESULT Reader::Close() {
  std::shared_ptr<ReaderSession> session;
  {
    std::lock_guard<std::mutex> hold(lock_);
    session.swap(session_);
  }
  if (!session) return NS_E_INVALID_REQUEST;
  session->Close();
  return S_OK;
}

std::shared_ptr<ReaderSession> Reader::OpenSession() const {
  std::lock_guard<std::mutex> hold(lock_);
  if (!session_ || FAILED(session_->OpenResult())) return nullptr;
  return session_;
}

HRESULT Reader::GetOutputCount(DWORD *count) {
  if (!count) return E_POINTER;
  std::shared_ptr<ReaderSession> session = OpenSession();
  if (!session) return NS_E_INVALID_REQUEST;
  *count = session->OutputCount();
  return S_OK;
}

HRESULT Reader::GetOutputProps(DWORD output, IWMOutputMediaProps **props) {
  if (!props) return E_POINTER;
  *props = nullptr;
  std::shared_ptr<ReaderSession> session = OpenSession();
  if (!session) return NS_E_INVALID_REQUEST;
  const MediaType *type = session->OutputType(output);
  if (!type) return E_INVALIDARG;
  *props = ReaderOutputProps::Create(*type);
  return *props ? S_OK : E_OUTOFMEMORY;
}

HRESULT Reader::SetOutputProps(DWORD output, IWMOutputMediaProps *props) {
  if (!props) return E_POINTER;
  std::shared_ptr<ReaderSession> session = OpenSession();
  if (!session) return NS_E_INVALID_REQUEST;
  const MediaType *offered = session->OutputType(output);
  if (!offered) return E_INVALIDARG;
  // Each output has the one format it offers.
  DWORD size = 0;
  if (props->GetMediaType(nullptr, &size) != S_OK || size < sizeof(WM_MEDIA_TYPE)) return E_INVALIDARG;
  std::unique_ptr<BYTE[]> block(new (std::nothrow) BYTE[size]);
  if (!block) return E_OUTOFMEMORY;
  WM_MEDIA_TYPE *wanted = reinterpret_cast<WM_MEDIA_TYPE *>(block.get());
  if (props->GetMediaType(wanted, &size) != S_OK) return E_INVALIDARG;
  const WM_MEDIA_TYPE &own = offered->Type();
  const bool same = wanted->majortype == own.majortype && wanted->subtype == own.subtype &&
                    wanted->formattype == own.formattype && wanted->cbFormat == offered->Format().size() &&
                    (wanted->cbFormat == 0 ||
                     std::memcmp(wanted->pbFormat, offered->Format().data(), wanted->cbFormat) == 0);
  return same ? S_OK : NS_E_INVALID_OUTPUT_FORMAT;
}

HRESULT Reader::GetOutputFormatCount(DWORD output, DWORD *count) {
  if (!count) return E_POINTER;
  std::shared_ptr<ReaderSession> session = OpenSession();
  if (!session) return NS_E_INVALID_REQUEST;
  if (!session->OutputType(output)) return E_INVALIDARG;
  *count = 1;
  return S_OK;
}

HRESULT Reader::GetOutputFormat(DWORD output, DWORD format, IWMOutputMediaProps **props) {
  if (!props) return E_POINTER;
  *props = nullptr;
  if (format != 0) return E_INVALIDARG;
  return GetOutputProps(output, props);
}

HRESULT Reader::Start(QWORD start, QWORD duration, float rate, void *context) {
  if (!(rate > 0.0f)) return E_INVALIDARG;
  std::shared_ptr<ReaderSession> session;
  {
    std::lock_guard<std::mutex> hold(lock_);
    session = session_;
  }
  if (!session) return NS_E_INVALID_REQUEST;
  return session->Start(start, duration, context);
}

HRESULT Reader::Stop() {
  std::shared_ptr<ReaderSession> session;
  {
    std::lock_guard<std::mutex> hold(lock_);
    session = session_;
  }
  if (!session) return NS_E_INVALID_REQUEST;
  return session->Stop();
}

HRESULT Reader::Pause() { return E_NOTIMPL; }
HRESULT Reader::Resume() { return E_NOTIMPL; }

HRESULT Reader::GetAttributeCount(WORD stream, WORD *count) {
  if (!count) return E_POINTER;
  if (!OpenSession()) return NS_E_INVALID_REQUEST;
  *count = stream == 0 ? 1 : 0;
  return S_OK;
}

// The file's attributes: "Duration" of stream 0, a QWORD in 100 ns units.
HRESULT Reader::GetAttributeByIndex(WORD index, WORD *stream, WCHAR *name, WORD *nameLength,
                                    WMT_ATTR_DATATYPE *type, BYTE *value, WORD *length) {
  if (!stream || !nameLength || !type || !length) return E_INVALIDARG;
  if (!OpenSession()) return NS_E_INVALID_REQUEST;
  if (*stream != 0 || index != 0) return E_INVALIDARG;
  const WORD needed = sizeof(kDurationName) / sizeof(WCHAR);
  if (name && *nameLength < needed) {
    *nameLength = needed;
    return ASF_E_BUFFERTOOSMALL;
  }
  if (name) std::memcpy(name, kDurationName, sizeof(kDurationName));
  *nameLength = needed;
  return GetAttributeByName(stream, kDurationName, type, value, length);
}

HRESULT Reader::GetAttributeByName(WORD *stream, LPCWSTR name, WMT_ATTR_DATATYPE *type, BYTE *value, WORD *length) {
  if (!stream || !name || !type || !length) return E_INVALIDARG;
  std::shared_ptr<ReaderSession> session = OpenSession();
  if (!session) return NS_E_INVALID_REQUEST;
  if (*stream != 0 || !SameName(name, kDurationName)) return ASF_E_NOTFOUND;
  const QWORD duration = session->Duration();
  *type = WMT_TYPE_QWORD;
  if (!value) {
    *length = sizeof(QWORD);
    return S_OK;
  }
  if (*length < sizeof(QWORD)) {
    *length = sizeof(QWORD);
    return ASF_E_BUFFERTOOSMALL;
  }
  std::memcpy(value, &duration, sizeof(QWORD));
  *length = sizeof(QWORD);
  return S_OK;
}

HRESULT Reader::SetAttribute(WORD, LPCWSTR, WMT_ATTR_DATATYPE, const BYTE *, WORD) { return E_NOTIMPL; }
HRESULT Reader::GetMarkerCount(WORD *markers) {
  if (!markers) return E_POINTER;
  *markers = 0;
  return S_OK;
}
HRESULT Reader::GetMarker(WORD, WCHAR *, WORD *, QWORD *) { return E_INVALIDARG; }
HRESULT Reader::AddMarker(LPCWSTR, QWORD) { return E_NOTIMPL; }
HRESULT Reader::RemoveMarker(WORD) { return E_NOTIMPL; }
HRESULT Reader::GetScriptCount(WORD *scripts) {
  if (!scripts) return E_POINTER;
  *scripts = 0;
  return S_OK;
}
HRESULT Reader::GetScript(WORD, WCHAR *, WORD *, WCHAR *, WORD *, QWORD *) { return E_INVALIDARG; }
HRESULT Reader::AddScript(LPCWSTR, LPCWSTR, QWORD) { return E_NOTIMPL; }
HRESULT Reader::RemoveScript(WORD) { return E_NOTIMPL; }

}  // namespace wmf

extern "C" HRESULT WINAPI WMCreateReaderPriv(IWMReader **reader) {
  if (!reader) return E_POINTER;
  *reader = new (std::nothrow) wmf::Reader();
  return *reader ? S_OK : E_OUTOFMEMORY;
}
