// The import's reader callback object.
#include "reader_callback.h"

#include <stdlib.h>
#include <string.h>

#include <new>

#include "bitmap.h"

namespace {

const DWORD kDefaultWaitTimeout = 30000;  // ms without any reader event

/* A packed DIB made from one sample, in `reuse` when it is large enough, or 0. The
 * sample's own length bounds what the conversion may read, whatever the header claims. */
HGLOBAL PackageFrame(INSSBuffer *sample, const FrameSource &source, HGLOBAL reuse) {
  BYTE *bytes = nullptr;
  DWORD length = 0;
  if (!sample) return 0;
  // Some runtimes answer only the combined query, others only the separate ones.
  if (sample->GetBufferAndLength(&bytes, &length) != S_OK) {
    if (sample->GetBuffer(&bytes) != S_OK || sample->GetLength(&length) != S_OK) return 0;
  }
  if (!bytes) return 0;
  return PackageSampleInto(reuse, bytes, length, &source.header);
}

/* Keeps the frame in the block's frame bitmap, reused from frame to frame, and names
 * it as the result. */
void StoreFrame(InstanceBlock *block, HGLOBAL frame) {
  HGLOBAL kept = block->frameBitmap;
  if (frame == kept) {  // packaged in place
    block->result = kept;
    return;
  }
  if (kept) {
    SIZE_T size = GlobalSize(frame);
    if (size != 0 && GlobalSize(kept) >= size) {
      // The whole new block, whatever biSizeImage says: a 24-bit header may carry 0.
      void *to = GlobalLock(kept);
      void *from = GlobalLock(frame);
      if (to && from) {
        memcpy(to, from, size);
        block->result = kept;
      }
      if (from) GlobalUnlock(frame);
      if (to) GlobalUnlock(kept);
      GlobalFree(frame);
      return;
    }
    // A larger frame than the kept block holds: the new block takes its place.
    GlobalFree(kept);
  }
  block->frameBitmap = frame;
  block->result = frame;
}

}  // namespace

DWORD ImportWaitTimeout() {
  const char *text = getenv("QV_IMPORT_TIMEOUT_MS");
  if (text && *text) {
    char *end = nullptr;
    unsigned long value = strtoul(text, &end, 10);
    if (end && *end == 0 && value > 0 && value <= 0xFFFFFFFFul) return (DWORD)value;
  }
  return kDefaultWaitTimeout;
}

ReaderCallback *ReaderCallback::Create() {
  // Auto-reset: each wake-up consumes the signal, and the counter says how many
  // events there were.
  HANDLE signal = CreateEventA(nullptr, FALSE, FALSE, nullptr);
  if (!signal) return nullptr;
  ReaderCallback *callback = new (std::nothrow) ReaderCallback(signal);
  if (!callback) CloseHandle(signal);
  return callback;
}

void ReaderCallback::Destroy() {
  CloseHandle(signal_);
  delete this;
}

void ReaderCallback::Notify() {
  InterlockedIncrement(&events_);
  SetEvent(signal_);
}

HRESULT STDMETHODCALLTYPE ReaderCallback::QueryInterface(REFIID riid, void **object) {
  if (!object) return E_POINTER;
  if (IsEqualGUID(riid, IID_IWMReaderCallback) || IsEqualGUID(riid, IID_IWMStatusCallback) ||
      IsEqualGUID(riid, IID_IUnknown)) {
    *object = static_cast<IWMReaderCallback *>(this);  // no reference: the block owns it
    return S_OK;
  }
  *object = nullptr;
  return E_NOINTERFACE;
}

// The object lives from the opening to the transfer end, whatever the runtime counts.
ULONG STDMETHODCALLTYPE ReaderCallback::AddRef() { return 1; }
ULONG STDMETHODCALLTYPE ReaderCallback::Release() { return 1; }

HRESULT STDMETHODCALLTYPE ReaderCallback::OnStatus(WMT_STATUS status, HRESULT, WMT_ATTR_DATATYPE,
                                                   BYTE *, void *context) {
  switch (status) {
    case WMT_OPENED:
    case WMT_STOPPED:
      Notify();
      break;
    case WMT_EOF:
      // The flag first: the caller reads it once it has seen the event.
      if (context) StoreShared(&static_cast<InstanceBlock *>(context)->endOfStream, 1);
      Notify();
      break;
    default:
      break;
  }
  return S_OK;
}

HRESULT STDMETHODCALLTYPE ReaderCallback::OnSample(DWORD output, QWORD, QWORD, DWORD flags,
                                                   INSSBuffer *sample, void *context) {
  InstanceBlock *block = static_cast<InstanceBlock *>(context);
  if (!block || output == kNoWantedOutput || (flags & WM_SF_DATALOSS)) return S_OK;
  if (LoadShared(&keepEvery_)) {
    if (LoadWantedOutput(block) != output) return S_OK;
    if (HGLOBAL frame = PackageFrame(sample, source_, block->frameBitmap)) StoreFrame(block, frame);
    return S_OK;
  }
  // Only the first sample of the wanted output is the frame; disarming atomically
  // keeps a second delivery thread from taking another one.
  LONG armed = InterlockedCompareExchange((LONG volatile *)&block->wantedOutput,
                                          (LONG)kNoWantedOutput, (LONG)output);
  if ((DWORD)armed != output) return S_OK;

  HGLOBAL frame = PackageFrame(sample, source_, block->frameBitmap);
  if (frame) StoreFrame(block, frame);
  // Stop also when the sample could not be packaged: the caller then fails at once
  // instead of waiting for the reader to play to the end.
  if (block->reader) block->reader->Stop();
  return S_OK;
}

bool ReaderCallback::WaitForEvent() {
  // Blocking, not polling: the reader's threads decode on the same few cores, and a
  // waiter that kept checking would take its time from them.
  const DWORD limit = ImportWaitTimeout();
  const DWORD start = GetTickCount();
  while (LoadShared(&events_) <= 0) {
    DWORD waited = GetTickCount() - start;
    if (waited >= limit) return false;
    // The counter is checked again after every wake-up: a signal may be left over
    // from an event already counted, or from one an earlier request discarded.
    if (WaitForSingleObject(signal_, limit - waited) == WAIT_FAILED) return false;
  }
  InterlockedDecrement(&events_);
  return true;
}

void ReaderCallback::DiscardEvents() {
  StoreShared(&events_, 0);
  ResetEvent(signal_);
}
