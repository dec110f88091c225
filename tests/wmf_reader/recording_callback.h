// A reader callback that records every event in order, for the reader's tests.
#ifndef QV_TESTS_WMF_READER_RECORDING_CALLBACK_H
#define QV_TESTS_WMF_READER_RECORDING_CALLBACK_H

#include <atomic>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "wmf.h"

struct ReaderEvent {
  bool sample = false;
  WMT_STATUS status = WMT_ERROR;
  HRESULT hr = S_OK;
  WMT_ATTR_DATATYPE type = WMT_TYPE_DWORD;
  void *context = nullptr;
  DWORD output = 0;
  QWORD time = 0;
  QWORD duration = 0;
  DWORD flags = 0;
  DWORD length = 0;
  std::vector<BYTE> bytes;
  std::thread::id thread;
};

class RecordingCallback final : public IWMReaderCallback {
 public:
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void **object) override;
  ULONG STDMETHODCALLTYPE AddRef() override;
  ULONG STDMETHODCALLTYPE Release() override;
  HRESULT STDMETHODCALLTYPE OnStatus(WMT_STATUS status, HRESULT hr, WMT_ATTR_DATATYPE type, BYTE *value,
                                     void *context) override;
  HRESULT STDMETHODCALLTYPE OnSample(DWORD output, QWORD time, QWORD duration, DWORD flags, INSSBuffer *sample,
                                     void *context) override;

  using Hook = std::function<void(const ReaderEvent &)>;
  // Keep each sample's bytes in the recorded event.
  std::atomic<bool> keepBytes{false};
  // Runs inside OnSample, on the delivery thread, before the event is recorded; it
  // sees the sample's bytes. Null removes it.
  void SetOnSample(Hook hook);
  // Runs inside OnStatus after the event is recorded.
  void SetOnStatus(Hook hook);

  // Waits until `count` events of this status have arrived; false after `seconds`.
  bool WaitFor(WMT_STATUS status, int count = 1, double seconds = 30);
  int Count(WMT_STATUS status) const;
  std::vector<ReaderEvent> Events() const;
  // The events after the last WMT_STARTED.
  std::vector<ReaderEvent> LastRun() const;
  void Clear();

 private:
  std::atomic<ULONG> refs_{1};
  mutable std::mutex lock_;
  std::condition_variable changed_;
  std::vector<ReaderEvent> events_;
  Hook onSample_;
  Hook onStatus_;
};

// "C:\..."-free wide path of an ASCII file name.
std::u16string Wide(const std::string &text);

#endif
