// The reader's demuxer: the ASF file opened through FFmpeg, read a packet at a time
// with each packet dated as the file stores it, and moved back to a key frame. Only
// the thread of its owner uses it (the pipeline and the interval decoder have one each).
#ifndef QV_WMF_READER_DEMUXER_H
#define QV_WMF_READER_DEMUXER_H

#include <atomic>
#include <cstdint>
#include <string>

#include "wmf.h"

struct AVFormatContext;
struct AVPacket;
struct AVStream;

namespace wmf {

// Gives a packet read from the file the showing time the file stores for it.
void PresentAtStoredTime(AVPacket *packet);

class ReaderDemuxer {
 public:
  ReaderDemuxer() = default;
  ~ReaderDemuxer();
  ReaderDemuxer(const ReaderDemuxer &) = delete;
  ReaderDemuxer &operator=(const ReaderDemuxer &) = delete;

  // Opens `path` as an ASF file and, unless `headerOnly`, reads what its streams are
  // beyond what the header says (decoding a little of each). `cancel` becomes true to
  // abandon a slow open (E_ABORT).
  HRESULT Open(const std::string &path, const std::atomic<bool> *cancel, bool headerOnly = false);

  AVFormatContext *Format() const { return format_; }
  AVStream *Stream(int index) const;
  unsigned StreamCount() const;

  // The next packet, dated by PresentAtStoredTime; false at the end of the file (or
  // of what can be read of it, or when cancelled).
  bool Read(AVPacket *packet);
  // Where the file ends by what the demuxer knows of it, 0 when it knows nothing.
  QWORD KnownEnd() const;
  // Where the last packet ends, found by reading through the file (into `packet`):
  // the demuxer is then at the end, and must seek before reading on.
  QWORD ReadToEnd(AVPacket *packet);
  // Moves to the key frame of `stream` stored last at or before `streamTime` (in its
  // time base), or to the start of the data when there is none; false when it cannot.
  bool SeekBack(int stream, int64_t streamTime);

 private:
  AVFormatContext *format_ = nullptr;
};

}  // namespace wmf

#endif
