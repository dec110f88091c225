// One opened file of the asynchronous reader: the delivery thread that opens it,
// answers Start and Stop with status events and hands samples to the callback.
//
// Every Start ends in exactly one WMT_STOPPED or WMT_END_OF_STREAMING + WMT_EOF,
// unless a later Start or Close takes its place. Stop and Close may be called from
// inside the callback, on the delivery thread itself.
//
// While the delivery thread waits for the next request, and while it hands out a
// picture the cache holds, a second thread decodes the pictures after the last one
// delivered into the cache (as the platform's reader runs ahead of its client); it
// stops when that is not worth it any more (see ReaderPipeline::ReadAhead), whenever
// the delivery thread needs the decoders, and for good on Close. While the host reads
// frame after frame, a third thread decodes key-frame intervals beside it with a
// decoder of its own (see reader_interval_decoder.h); it needs no pause.
#ifndef QV_WMF_READER_SESSION_H
#define QV_WMF_READER_SESSION_H

#include <atomic>
#include <condition_variable>
#include <deque>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "reader_pipeline.h"

namespace wmf {

class ReaderSession : public std::enable_shared_from_this<ReaderSession> {
 public:
  struct Settings {
    std::string path;
    VideoOutputKind videoKind = VideoOutputKind::Rgb24;
    bool stall = false;  // never report anything (see extensions.h)
    size_t cacheBudget = 0;  // bytes of decoded pictures kept (see reader_frame_cache.h)
  };

  // Starts the delivery thread, which opens the file and reports WMT_OPENED.
  static std::shared_ptr<ReaderSession> Launch(const Settings &settings, IWMReaderCallback *callback,
                                               void *context);
  ~ReaderSession();

  // S_OK once the file opened; NS_E_INVALID_REQUEST before, the open's error after.
  HRESULT OpenResult() const;
  DWORD OutputCount() const;
  const MediaType *OutputType(DWORD output) const;
  QWORD Duration() const;

  HRESULT Start(QWORD start, QWORD length, void *context);
  HRESULT Stop();
  // Ends delivery; returns once the delivery thread has finished, unless it is the
  // calling thread, which then finishes when the callback returns.
  void Close();

 private:
  enum class Command { Start, Stop, Close };
  struct Request {
    Command command;
    QWORD start = 0;
    QWORD length = 0;
    void *context = nullptr;
  };

  ReaderSession(const Settings &settings, IWMReaderCallback *callback, void *context);
  void Run();
  void OpenFile();
  Request WaitRequest();
  bool Play(const Request &request);
  bool Serve(const Request &request, bool held);
  void Report(WMT_STATUS status, HRESULT hr, void *context);
  void Post(const Request &request);
  void ReadAheadLoop();
  void IntervalLoop();
  // `focus`: where the host looks now (kAnyFocus: the decoders may have moved). A
  // decoder that waits for the focus to reach a time is woken only once it has: every
  // wake-up interrupts a core that decodes.
  static constexpr int64_t kAnyFocus = INT64_MAX;
  void AllowReadAhead(int64_t focus);
  void PauseReadAhead();

  const Settings settings_;
  IWMReaderCallback *callback_;
  void *openContext_;
  std::thread thread_;
  std::atomic<bool> closing_{false};

  mutable std::mutex lock_;
  std::condition_variable wake_;
  std::deque<Request> requests_;
  std::atomic<size_t> pending_{0};
  bool opened_ = false;  // the open finished (well or not)
  HRESULT openResult_ = NS_E_INVALID_REQUEST;
  std::vector<MediaType> outputs_;
  QWORD duration_ = 0;

  // Reading ahead: the pipeline belongs to whoever holds pipelineLock_, except for
  // TakeFromCache, which the delivery thread calls without it.
  std::thread aheadThread_;
  std::mutex pipelineLock_;
  std::mutex aheadLock_;
  std::condition_variable aheadWake_;
  std::atomic<bool> aheadAllowed_{false};
  bool intervalsAllowed_ = false;  // under aheadLock_
  // Under aheadLock_: the focus from which the waiting reading ahead, and the interval
  // decoder, are worth waking.
  int64_t aheadFrom_ = INT64_MIN;
  int64_t intervalsFrom_ = INT64_MIN;
  std::condition_variable intervalWake_;
  std::thread intervalThread_;
  unsigned aheadGeneration_ = 0;  // counts AllowReadAhead calls (under aheadLock_)

  // Only the delivery thread touches these (and the read-ahead thread the pipeline).
  std::unique_ptr<ReaderPipeline> pipeline_;
  void *playContext_ = nullptr;
  int64_t focus_ = kAnyFocus;  // of the last request
};

}  // namespace wmf

#endif
