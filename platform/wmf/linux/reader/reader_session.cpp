// The reader's delivery thread.
#include "reader_session.h"

#include <exception>

#include "reader_interval_decoder.h"

namespace wmf {

std::shared_ptr<ReaderSession> ReaderSession::Launch(const Settings &settings, IWMReaderCallback *callback,
                                                     void *context) {
  try {
    std::shared_ptr<ReaderSession> session(new ReaderSession(settings, callback, context));
    // The thread keeps the session alive: after a Close from inside the callback it
    // runs on alone until the callback returns.
    std::shared_ptr<ReaderSession> self = session;
    session->thread_ = std::thread([self] { self->Run(); });
    return session;
  } catch (const std::exception &) {  // no memory or no thread: nothing crosses the COM boundary
    return nullptr;
  }
}

ReaderSession::ReaderSession(const Settings &settings, IWMReaderCallback *callback, void *context)
    : settings_(settings), callback_(callback), openContext_(context), playContext_(context) {
  callback_->AddRef();
}

ReaderSession::~ReaderSession() {
  if (thread_.joinable()) thread_.detach();  // only reached on the delivery thread itself
  callback_->Release();
}

HRESULT ReaderSession::OpenResult() const {
  std::lock_guard<std::mutex> hold(lock_);
  return opened_ ? openResult_ : NS_E_INVALID_REQUEST;
}

DWORD ReaderSession::OutputCount() const {
  std::lock_guard<std::mutex> hold(lock_);
  return static_cast<DWORD>(outputs_.size());
}

const MediaType *ReaderSession::OutputType(DWORD output) const {
  std::lock_guard<std::mutex> hold(lock_);
  return output < outputs_.size() ? &outputs_[output] : nullptr;  // fixed once opened
}

QWORD ReaderSession::Duration() const {
  std::lock_guard<std::mutex> hold(lock_);
  return duration_;
}

void ReaderSession::Post(const Request &request) {
  {
    std::lock_guard<std::mutex> hold(lock_);
    requests_.push_back(request);
    pending_.store(requests_.size());
  }
  wake_.notify_one();
}

HRESULT ReaderSession::Start(QWORD start, QWORD length, void *context) {
  if (FAILED(OpenResult())) return NS_E_INVALID_REQUEST;
  Post({Command::Start, start, length, context});
  return S_OK;
}

HRESULT ReaderSession::Stop() {
  if (FAILED(OpenResult())) return NS_E_INVALID_REQUEST;
  Post({Command::Stop});
  return S_OK;
}

void ReaderSession::Close() {
  closing_.store(true);
  Post({Command::Close});
  if (!thread_.joinable()) return;
  if (thread_.get_id() == std::this_thread::get_id())
    thread_.detach();
  else
    thread_.join();
}

void ReaderSession::Report(WMT_STATUS status, HRESULT hr, void *context) {
  DWORD value = 0;
  callback_->OnStatus(status, hr, WMT_TYPE_DWORD, reinterpret_cast<BYTE *>(&value), context);
}

void ReaderSession::OpenFile() {
  std::unique_ptr<ReaderPipeline> pipeline;
  const HRESULT hr = ReaderPipeline::Open(settings_.path, settings_.videoKind, &closing_, &pipeline, settings_.cacheBudget);
  std::lock_guard<std::mutex> hold(lock_);
  opened_ = true;
  openResult_ = hr;
  if (SUCCEEDED(hr)) {
    for (DWORD i = 0; i < pipeline->OutputCount(); ++i) outputs_.push_back(pipeline->OutputType(i));
    duration_ = pipeline->Duration();
    pipeline_ = std::move(pipeline);
  }
}

ReaderSession::Request ReaderSession::WaitRequest() {
  std::unique_lock<std::mutex> hold(lock_);
  wake_.wait(hold, [this] { return !requests_.empty(); });
  Request request = requests_.front();
  requests_.pop_front();
  pending_.store(requests_.size());
  return request;
}

void ReaderSession::Run() {
  std::shared_ptr<ReaderSession> keep = shared_from_this();
  if (settings_.stall) {
    while (WaitRequest().command != Command::Close) {
    }
    return;
  }
  OpenFile();
  if (closing_.load()) return;  // closed while opening: nobody waits for events now
  Report(WMT_OPENED, openResult_, openContext_);
  if (SUCCEEDED(openResult_)) {
    try {
      aheadThread_ = std::thread([this] { ReadAheadLoop(); });
      if (pipeline_->IntervalDecoder()) intervalThread_ = std::thread([this] { IntervalLoop(); });
    } catch (const std::exception &) {
      // No second thread: pictures are then decoded when asked for.
    }
  }

  bool closed = false;
  bool haveRequest = false;
  Request request{Command::Stop};
  while (!closed) {
    if (!haveRequest) {
      AllowReadAhead(focus_);
      request = WaitRequest();
    }
    haveRequest = false;
    switch (request.command) {
      case Command::Close:
        closed = true;
        break;
      case Command::Stop:
        Report(WMT_STOPPED, S_OK, playContext_);
        break;
      case Command::Start:
        // Play returns with the request that interrupted it still unanswered.
        if (Play(request)) {
          request = WaitRequest();
          haveRequest = true;
        }
        break;
    }
  }
  PauseReadAhead();
  // closing_ is set: the threads end.
  aheadWake_.notify_all();
  intervalWake_.notify_all();
  if (aheadThread_.joinable()) aheadThread_.join();
  if (intervalThread_.joinable()) intervalThread_.join();
  Report(WMT_CLOSED, S_OK, openContext_);
  pipeline_.reset();
}

// Hands out the request's picture when the cache holds it: true when it did. `held`:
// the caller holds the pipeline, and with it the reading ahead.
bool ReaderSession::Serve(const Request &request, bool held) {
  ReaderSample sample;
  if (!pipeline_) return false;
  if (!(held ? pipeline_->TakeFromCacheHeld(request.start, request.length, &sample)
             : pipeline_->TakeFromCache(request.start, request.length, &sample)))
    return false;
  focus_ = static_cast<int64_t>(sample.time);
  AllowReadAhead(focus_);  // the focus moved on: so may the reading ahead, while the host works
  callback_->OnSample(sample.output, sample.time, sample.duration, sample.flags, sample.buffer.get(),
                      playContext_);
  return true;
}

// Plays from the request's time; true when a waiting request interrupted it.
bool ReaderSession::Play(const Request &request) {
  playContext_ = request.context;
  Report(WMT_STARTED, S_OK, playContext_);
  // A picture decoded already goes out while the reading ahead goes on.
  bool served = Serve(request, false);
  if (served && pending_.load() != 0) return true;
  PauseReadAhead();
  focus_ = kAnyFocus;
  std::lock_guard<std::mutex> hold(pipelineLock_);
  if (!served) {
    // The reading ahead may have put the picture there while it was being held up:
    // the decoder it shares with Begin has gone past it then, and Begin would go
    // back to the key frame to decode it again.
    served = Serve(request, true);
    if (served && pending_.load() != 0) return true;
    if (served) {
      PauseReadAhead();
      focus_ = kAnyFocus;
    }
  }
  ReaderSample sample;
  pipeline_->Begin(request.start, request.length, served);
  for (;;) {
    if (pending_.load() != 0) return true;
    const ReaderPipeline::Step step = pipeline_->Next(&sample, &pending_);
    if (step == ReaderPipeline::Step::Interrupted) return true;
    if (step == ReaderPipeline::Step::End) break;
    callback_->OnSample(sample.output, sample.time, sample.duration, sample.flags, sample.buffer.get(),
                        playContext_);
    sample.buffer.reset();
  }
  Report(WMT_END_OF_STREAMING, S_OK, playContext_);
  Report(WMT_EOF, S_OK, playContext_);
  return false;
}

void ReaderSession::AllowReadAhead(int64_t focus) {
  bool wakeAhead = false, wakeIntervals = false;
  {
    std::lock_guard<std::mutex> hold(aheadLock_);
    ++aheadGeneration_;
    if (!aheadAllowed_.load() && focus >= aheadFrom_) {
      aheadAllowed_.store(true);
      wakeAhead = true;
    }
    if (!intervalsAllowed_ && focus >= intervalsFrom_) {
      intervalsAllowed_ = true;
      wakeIntervals = true;
    }
  }
  if (wakeAhead) aheadWake_.notify_all();
  if (wakeIntervals) intervalWake_.notify_all();
}

void ReaderSession::PauseReadAhead() {
  std::lock_guard<std::mutex> hold(aheadLock_);
  aheadAllowed_.store(false);
  aheadFrom_ = INT64_MIN;  // the decoders move: whatever it waited for is gone
}

void ReaderSession::ReadAheadLoop() {
  for (;;) {
    unsigned generation = 0;
    {
      std::unique_lock<std::mutex> hold(aheadLock_);
      aheadWake_.wait(hold, [this] { return closing_.load() || aheadAllowed_.load(); });
      if (closing_.load()) break;
      generation = aheadGeneration_;
    }
    bool more = false;
    int64_t from = INT64_MIN;
    {
      std::lock_guard<std::mutex> hold(pipelineLock_);
      if (closing_.load()) break;
      if (aheadAllowed_.load()) {
        more = pipeline_->ReadAhead();
        if (!more) from = pipeline_->AheadResumesAt();
      }
    }
    if (!more) {
      // Until the delivery thread has moved on (unless it did meanwhile).
      std::lock_guard<std::mutex> hold(aheadLock_);
      if (generation == aheadGeneration_) {
        aheadAllowed_.store(false);
        aheadFrom_ = from;
      }
    }
  }
  // A start waiting for a picture from here must not wait on.
  std::lock_guard<std::mutex> hold(pipelineLock_);
  pipeline_->EndReadAhead();
}

// Steps the interval decoder whenever the focus moves on, until it has nothing to do.
void ReaderSession::IntervalLoop() {
  ReaderIntervalDecoder *decoder = pipeline_->IntervalDecoder();
  for (;;) {
    unsigned generation = 0;
    {
      std::unique_lock<std::mutex> hold(aheadLock_);
      intervalWake_.wait(hold, [this] { return closing_.load() || intervalsAllowed_; });
      if (closing_.load()) break;
      generation = aheadGeneration_;
    }
    if (!decoder->Step()) {
      std::lock_guard<std::mutex> hold(aheadLock_);
      if (generation == aheadGeneration_) {
        intervalsAllowed_ = false;
        intervalsFrom_ = decoder->ResumesAt();
      }
    }
  }
  decoder->Stop();
}

}  // namespace wmf
