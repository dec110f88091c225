// The writer's worker thread: the samples a caller writes are encoded there, in the
// order written, while the caller prepares the next ones. A few samples may wait;
// beyond that WriteSample waits for the worker, so memory stays bounded. The first
// failure of the work (a full disk) is kept and answers every later call, with the
// system error the worker met left as the caller's last error.
#ifndef QV_WMF_ENCODE_QUEUE_H
#define QV_WMF_ENCODE_QUEUE_H

#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <thread>

#include "wmf.h"

namespace wmf {

class EncodeQueue {
 public:
  struct Piece {
    DWORD input;
    QWORD time;
    bool keyFrame;
    INSSBuffer *sample;  // held until the piece is encoded
    const BYTE *data;    // in the sample
    DWORD length;
  };
  using Encoder = std::function<HRESULT(const Piece &)>;

  EncodeQueue() = default;
  EncodeQueue(const EncodeQueue &) = delete;
  EncodeQueue &operator=(const EncodeQueue &) = delete;
  ~EncodeQueue() { Stop(); }

  // Starts the worker, which hands each piece to `encode`.
  HRESULT Start(Encoder encode);
  // Queues a piece (taking a reference to its sample); the first failure of the work so
  // far, in which case the piece is not queued.
  HRESULT Add(const Piece &piece);
  // Waits until every queued piece is encoded; the first failure of the work.
  HRESULT Drain();
  // Drains, then ends the worker; the first failure of the work.
  HRESULT Stop();

 private:
  void Work();
  HRESULT Failure();  // with the lock held, on the caller's thread

  Encoder encode_;
  std::thread worker_;
  std::mutex lock_;
  std::condition_variable changed_;
  std::deque<Piece> waiting_;
  bool encoding_ = false;
  bool stopping_ = false;
  HRESULT failure_ = S_OK;
  DWORD failureError_ = 0;  // the worker's last error at the failure
};

}  // namespace wmf

#endif
