// The writer's worker thread.
#include "encode_queue.h"

#include <pthread.h>
#include <signal.h>

#include <system_error>

namespace wmf {

namespace {
// Enough for the caller's next frame to be ready when the worker wants it.
constexpr size_t kLongestWait = 2;
}  // namespace

HRESULT EncodeQueue::Start(Encoder encode) {
  Stop();
  encode_ = std::move(encode);
  failure_ = S_OK;
  failureError_ = 0;
  stopping_ = false;
  // The host's signals (Ctrl-C, hang-up, termination) are its own to take, on its own
  // thread: the worker is started with them blocked and never sees one.
  sigset_t hostSignals, before;
  sigemptyset(&hostSignals);
  for (int number : {SIGINT, SIGTERM, SIGHUP, SIGQUIT}) sigaddset(&hostSignals, number);
  pthread_sigmask(SIG_BLOCK, &hostSignals, &before);
  HRESULT hr = S_OK;
  try {
    worker_ = std::thread(&EncodeQueue::Work, this);
  } catch (const std::system_error &) {
    hr = E_OUTOFMEMORY;
  }
  pthread_sigmask(SIG_SETMASK, &before, nullptr);
  return hr;
}

HRESULT EncodeQueue::Add(const Piece &piece) {
  std::unique_lock<std::mutex> hold(lock_);
  changed_.wait(hold, [&] { return waiting_.size() < kLongestWait || FAILED(failure_); });
  if (FAILED(failure_)) return Failure();
  piece.sample->AddRef();
  waiting_.push_back(piece);
  changed_.notify_all();
  return S_OK;
}

HRESULT EncodeQueue::Drain() {
  std::unique_lock<std::mutex> hold(lock_);
  changed_.wait(hold, [&] { return waiting_.empty() && !encoding_; });
  return Failure();
}

HRESULT EncodeQueue::Stop() {
  if (!worker_.joinable()) return failure_;
  {
    std::lock_guard<std::mutex> hold(lock_);
    stopping_ = true;
    changed_.notify_all();
  }
  worker_.join();
  std::lock_guard<std::mutex> hold(lock_);
  return Failure();
}

// The last error is the thread's own: the worker's is handed on with the failure.
HRESULT EncodeQueue::Failure() {
  if (FAILED(failure_) && failureError_ != 0) SetLastError(failureError_);
  return failure_;
}

void EncodeQueue::Work() {
  std::unique_lock<std::mutex> hold(lock_);
  for (;;) {
    changed_.wait(hold, [&] { return !waiting_.empty() || stopping_; });
    if (waiting_.empty()) return;  // stopping, with nothing left
    Piece piece = waiting_.front();
    waiting_.pop_front();
    encoding_ = true;
    // After a failure the file has a gap: what was queued behind it is dropped.
    const bool skip = FAILED(failure_);
    hold.unlock();
    SetLastError(0);
    const HRESULT hr = skip ? S_OK : encode_(piece);
    const DWORD error = GetLastError();
    piece.sample->Release();
    hold.lock();
    if (FAILED(hr) && SUCCEEDED(failure_)) {
      failure_ = hr;
      failureError_ = error;
    }
    encoding_ = false;
    changed_.notify_all();
  }
}

}  // namespace wmf
