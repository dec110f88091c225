/* The import's reader callback: receives the reader's status and sample
 * notifications on the runtime's threads and hands frames to the waiting caller
 * through the instance block given as context. */
#ifndef QV_PLUGIN_READER_CALLBACK_H
#define QV_PLUGIN_READER_CALLBACK_H

#include "instance_block.h"
#include "win32.h"
#include "wmf.h"

/* The format the frames of one transfer are packaged from: the header of the video
 * output whose samples are taken, followed by its colour table for 8 bits or less. */
struct FrameSource {
  BITMAPINFOHEADER header;
  RGBQUAD colours[256];
};

class ReaderCallback final : public IWMReaderCallback {
 public:
  /* A new callback with no pending event, or null when memory or the event to wait
   * on cannot be had. */
  static ReaderCallback *Create();
  /* Ends the object and its event; its own Release never does. */
  void Destroy();

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void **object) override;
  ULONG STDMETHODCALLTYPE AddRef() override;
  ULONG STDMETHODCALLTYPE Release() override;
  HRESULT STDMETHODCALLTYPE OnStatus(WMT_STATUS status, HRESULT hr, WMT_ATTR_DATATYPE type,
                                     BYTE *value, void *context) override;
  HRESULT STDMETHODCALLTYPE OnSample(DWORD output, QWORD time, QWORD duration, DWORD flags,
                                     INSSBuffer *sample, void *context) override;

  /* Waits for one reader event and consumes it. False when the reader stayed silent
   * for the whole time-out (see ImportWaitTimeout). */
  bool WaitForEvent();
  /* Forgets events left over from an earlier request. */
  void DiscardEvents();
  /* While set, every sample of the wanted output is kept in turn, each in the place
   * of the one before, and the reader plays on to the file's end. */
  void KeepEveryFrame(bool keep) { InterlockedExchange(&keepEvery_, keep ? 1 : 0); }

  FrameSource &source() { return source_; }

 private:
  explicit ReaderCallback(HANDLE signal) : signal_(signal) {}
  ~ReaderCallback() = default;

  /* Counts one reader event and wakes the waiting caller. */
  void Notify();

  LONG volatile events_ = 0;  // reader events not yet consumed
  HANDLE signal_;             // set with each event; the waiter sleeps on it
  LONG volatile keepEvery_ = 0;
  FrameSource source_ = {};
};

/* Milliseconds a request waits for a silent reader before it fails: 30 s, or
 * QV_IMPORT_TIMEOUT_MS from the environment when set (tests use a short one). */
DWORD ImportWaitTimeout();

/* Atomic access to the block fields shared with the runtime's threads. */
inline LONG LoadShared(LONG volatile *field) { return InterlockedCompareExchange(field, 0, 0); }
inline void StoreShared(LONG volatile *field, LONG value) { InterlockedExchange(field, value); }
inline DWORD LoadWantedOutput(InstanceBlock *block) {
  return (DWORD)LoadShared((LONG volatile *)&block->wantedOutput);
}
inline void StoreWantedOutput(InstanceBlock *block, DWORD output) {
  StoreShared((LONG volatile *)&block->wantedOutput, (LONG)output);
}

#endif
