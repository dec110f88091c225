// The ASF file a writer produces, over libavformat: streams are added by the
// encoders, then the header, the packets in time order, and the index at the end.
#ifndef QV_WMF_WRITER_FILE_H
#define QV_WMF_WRITER_FILE_H

#include <string>

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
  // Takes the packet's contents (timestamps in the stream's time base).
  HRESULT Write(AVPacket *packet);
  // Pushes what has been written to the disk. Packets the interleaving holds back
  // stay queued until the other streams catch up (or Finish): ASF wants its data
  // in time order across streams, and a later sample may still be earlier than
  // what another stream has queued.
  HRESULT Flush();
  // The file lasts at least until `end` (100 ns units): where its last frame or
  // sound ends, exactly, not in the muxer's whole milliseconds.
  void ExtendDuration(long long end) { end_ = end > end_ ? end : end_; }
  // Writes the trailer and the index, closes the file and records its duration.
  HRESULT Finish();
  bool IsOpen() const { return context_ != nullptr; }

 private:
  void Close();
  AVFormatContext *context_ = nullptr;
  std::string path_;
  bool headerWritten_ = false;
  long long end_ = 0;
};

// An FFmpeg error as the runtime reports it.
HRESULT ResultOfAv(int error);

}  // namespace wmf

#endif
