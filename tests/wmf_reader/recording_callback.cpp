// The recording reader callback.
#include "recording_callback.h"

#include <algorithm>
#include <chrono>
#include <cstdlib>

HRESULT RecordingCallback::QueryInterface(REFIID riid, void **object) {
  if (!object) return E_POINTER;
  if (riid == IID_IUnknown || riid == IID_IWMStatusCallback || riid == IID_IWMReaderCallback) {
    *object = static_cast<IWMReaderCallback *>(this);
    AddRef();
    return S_OK;
  }
  *object = nullptr;
  return E_NOINTERFACE;
}

ULONG RecordingCallback::AddRef() { return ++refs_; }

ULONG RecordingCallback::Release() {
  const ULONG left = --refs_;
  if (left == 0) delete this;
  return left;
}

HRESULT RecordingCallback::OnStatus(WMT_STATUS status, HRESULT hr, WMT_ATTR_DATATYPE type, BYTE *value,
                                    void *context) {
  ReaderEvent event;
  event.status = status;
  event.hr = hr;
  event.type = type;
  event.context = context;
  event.thread = std::this_thread::get_id();
  Hook hook;
  {
    std::lock_guard<std::mutex> hold(lock_);
    events_.push_back(event);
    hook = onStatus_;
  }
  if (hook) hook(event);
  changed_.notify_all();
  return S_OK;
}

HRESULT RecordingCallback::OnSample(DWORD output, QWORD time, QWORD duration, DWORD flags, INSSBuffer *sample,
                                    void *context) {
  ReaderEvent event;
  event.sample = true;
  event.output = output;
  event.time = time;
  event.duration = duration;
  event.flags = flags;
  event.context = context;
  event.thread = std::this_thread::get_id();
  Hook hook;
  {
    std::lock_guard<std::mutex> hold(lock_);
    hook = onSample_;
  }
  BYTE *bytes = nullptr;
  if (sample && sample->GetBufferAndLength(&bytes, &event.length) == S_OK && (keepBytes || hook))
    event.bytes.assign(bytes, bytes + event.length);
  if (hook) hook(event);
  if (!keepBytes) std::vector<BYTE>().swap(event.bytes);  // a kept capacity would add up
  {
    std::lock_guard<std::mutex> hold(lock_);
    events_.push_back(std::move(event));
  }
  changed_.notify_all();
  return S_OK;
}

bool RecordingCallback::WaitFor(WMT_STATUS status, int count, double seconds) {
  // Under an emulator (the 32-bit build under qemu-user) everything runs many times
  // slower; QV_TEST_SLOWDOWN stretches the wait by that factor.
  if (const char *slowdown = std::getenv("QV_TEST_SLOWDOWN")) seconds *= std::max(1.0, std::atof(slowdown));
  std::unique_lock<std::mutex> hold(lock_);
  const auto until = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
  return changed_.wait_until(hold, until, [&] {
    int seen = 0;
    for (const ReaderEvent &e : events_) seen += !e.sample && e.status == status;
    return seen >= count;
  });
}

int RecordingCallback::Count(WMT_STATUS status) const {
  std::lock_guard<std::mutex> hold(lock_);
  int seen = 0;
  for (const ReaderEvent &e : events_) seen += !e.sample && e.status == status;
  return seen;
}

std::vector<ReaderEvent> RecordingCallback::Events() const {
  std::lock_guard<std::mutex> hold(lock_);
  return events_;
}

std::vector<ReaderEvent> RecordingCallback::LastRun() const {
  std::lock_guard<std::mutex> hold(lock_);
  size_t from = 0;
  for (size_t i = 0; i < events_.size(); ++i)
    if (!events_[i].sample && events_[i].status == WMT_STARTED) from = i;
  return std::vector<ReaderEvent>(events_.begin() + static_cast<long>(from), events_.end());
}

void RecordingCallback::SetOnSample(Hook hook) {
  std::lock_guard<std::mutex> hold(lock_);
  onSample_ = std::move(hook);
}

void RecordingCallback::SetOnStatus(Hook hook) {
  std::lock_guard<std::mutex> hold(lock_);
  onStatus_ = std::move(hook);
}

void RecordingCallback::Clear() {
  std::lock_guard<std::mutex> hold(lock_);
  events_.clear();
}

std::u16string Wide(const std::string &text) { return std::u16string(text.begin(), text.end()); }
