// Which of an ASF file's streams a local reader plays, read from its header objects
// without a demuxer. Only the streams the header declares are media: FFmpeg also
// shows a cover picture as a stream. Of a group of streams that exclude each other
// (one picture at several bit rates) the one of the highest bit rate plays; a
// recorded file often holds packets of that one only. Protected content is not
// read at all: this runtime has no licences.
#ifndef QV_WMF_ASF_STREAMS_H
#define QV_WMF_ASF_STREAMS_H

#include <cstdint>
#include <string>
#include <vector>

namespace wmf {

struct AsfStreams {
  bool isProtected = false;     // a Content Encryption or Extended Content Encryption object
  std::vector<int> declared;    // stream numbers (1 to 127) the header declares
  std::vector<int> excluded;    // declared, but another stream of its exclusion group plays

  // Whether stream `number` (FFmpeg's stream id) is one the reader plays.
  bool Plays(int number) const;
};

// The streams of the ASF file at `path`; false when its header cannot be read.
bool ReadAsfStreams(const std::string &path, AsfStreams *streams);

}  // namespace wmf

#endif
