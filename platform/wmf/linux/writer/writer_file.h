// The ASF file a writer produces, over libavformat: streams are added by the
// encoders, then the header, the packets in time order, and the index at the end.
#ifndef QV_WMF_WRITER_FILE_H
#define QV_WMF_WRITER_FILE_H

#include <deque>
#include <string>
#include <vector>

#include "wmf.h"

struct AVFormatContext;
struct AVPacket;
struct AVStream;

namespace wmf {

class AsfFile {
 public:
  AsfFile() = default;
  AsfFile(const AsfFile &) = delete;
  AsfFile &operator=(const AsfFile &) = delete;
  ~AsfFile();  // abandons an unfinished file: closed, then removed

  // Creates the file at a UTF-8 path; NS_E_FILE_OPEN_FAILED when it cannot be.
  HRESULT Create(const std::string &path);
  AVStream *AddStream();
  HRESULT WriteHeader();
  // Takes the packet's contents (timestamps in the stream's time base) and writes
  // what may go out now. ASF wants its data in time order across streams: a packet
  // waits while another stream may still give an earlier one, but never more than the
  // sync tolerance behind the newest packet, so that what the encoders make reaches
  // the disk as they go (a stream left empty or ended early holds nothing back for
  // long) and a full disk is seen by a sample, not only at the end. A packet earlier
  // than one already written, from a stream that fell further behind than that, is
  // dropped, as the platform's writer discards samples out of sync.
  HRESULT Write(AVPacket *packet);
  // Pushes what has been written to the disk; held packets stay held.
  HRESULT Flush();
  // The file lasts at least until `end` (100 ns units): where its last frame or
  // sound ends, exactly, not in the muxer's whole milliseconds.
  void ExtendDuration(long long end) { end_ = end > end_ ? end : end_; }
  // Writes the trailer and the index, closes the file and records its duration.
  HRESULT Finish();
  bool IsOpen() const { return context_ != nullptr; }

 private:
  struct Held {
    AVPacket *packet;
    long long time;  // milliseconds
  };
  HRESULT WriteHeld(bool all);
  void Close();
  AVFormatContext *context_ = nullptr;
  std::deque<Held> held_;          // in time order
  std::vector<long long> latest_;  // per stream: its newest packet's time, if it had one
  long long newest_ = 0;           // of any stream
  long long written_ = 0;          // of the last packet written
  std::string path_;
  bool headerWritten_ = false;
  long long end_ = 0;
};

// An FFmpeg error as the runtime reports it.
HRESULT ResultOfAv(int error);

}  // namespace wmf

#endif
