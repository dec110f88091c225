// IWMWriter: writes one ASF file from uncompressed samples, one input per stream of
// its profile, in the profile's stream order.
//
// Calls come in this order: SetProfile, SetOutputFilename, optionally SetInputProps
// per input, BeginWriting, WriteSample (with AllocateSample for the buffers) any
// number of times, optionally Flush, EndWriting. A call out of that order answers
// NS_E_INVALID_REQUEST and changes nothing. After EndWriting the writer may begin
// again. Releasing a writer that is still writing ends the file first.
//
// Samples are encoded on a worker thread while the caller prepares the next ones: a
// failure to encode or write one (a full disk) answers the next call.
#ifndef QV_WMF_WRITER_H
#define QV_WMF_WRITER_H

#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "com_object.h"
#include "encode_queue.h"
#include "media_type.h"
#include "sample_buffer_pool.h"
#include "writer_file.h"

namespace wmf {

class AudioEncoder;
class VideoEncoder;

class Writer final : public ComObject<Writer, IWMWriter> {
 public:
  static Writer *Create();

  HRESULT STDMETHODCALLTYPE SetProfileByID(REFGUID profile) override;
  HRESULT STDMETHODCALLTYPE SetProfile(IWMProfile *profile) override;
  HRESULT STDMETHODCALLTYPE SetOutputFilename(const WCHAR *name) override;
  HRESULT STDMETHODCALLTYPE GetInputCount(DWORD *count) override;
  HRESULT STDMETHODCALLTYPE GetInputProps(DWORD input, IWMInputMediaProps **props) override;
  HRESULT STDMETHODCALLTYPE SetInputProps(DWORD input, IWMInputMediaProps *props) override;
  HRESULT STDMETHODCALLTYPE GetInputFormatCount(DWORD input, DWORD *count) override;
  HRESULT STDMETHODCALLTYPE GetInputFormat(DWORD input, DWORD format, IWMInputMediaProps **props) override;
  HRESULT STDMETHODCALLTYPE BeginWriting() override;
  HRESULT STDMETHODCALLTYPE EndWriting() override;
  HRESULT STDMETHODCALLTYPE AllocateSample(DWORD size, INSSBuffer **sample) override;
  HRESULT STDMETHODCALLTYPE WriteSample(DWORD input, QWORD time, DWORD flags, INSSBuffer *sample) override;
  HRESULT STDMETHODCALLTYPE Flush() override;

 private:
  struct Input {
    bool video = false;
    DWORD bitrate = 0;
    std::u16string connection;
    MediaType format;
    std::unique_ptr<VideoEncoder> videoEncoder;
    std::unique_ptr<AudioEncoder> audioEncoder;
  };

  friend class ComObject<Writer, IWMWriter>;  // Release deletes it
  Writer();
  ~Writer();
  HRESULT FinishLocked();
  void DropEncoders();
  HRESULT FailedBefore();
  HRESULT Encode(const EncodeQueue::Piece &piece);

  std::mutex lock_;
  bool configured_ = false;  // a profile is set
  bool writing_ = false;
  HRESULT failure_ = S_OK;  // the first encoding or file error while writing
  std::u16string outputName_;
  std::vector<Input> inputs_;
  std::unique_ptr<AsfFile> file_;
  EncodeQueue queue_;  // encodes into file_ while writing
  // The memory of the samples the queue and the caller hold: a few frames and chunks.
  SampleBufferPool samples_{8};
};

}  // namespace wmf

#endif
