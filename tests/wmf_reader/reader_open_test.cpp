// Opening a file: the open event, the outputs and their media types, the duration,
// and what a reader answers before and after.
#include <cstring>

#include "reader_harness.h"

using namespace wmf_fixtures;

#ifndef ASF_E_NOTFOUND
#  define ASF_E_NOTFOUND ((HRESULT)0xC00D07F0L)
#endif

namespace {

const WM_MEDIA_TYPE &Media(const std::vector<BYTE> &block) {
  return *reinterpret_cast<const WM_MEDIA_TYPE *>(block.data());
}

}  // namespace

class ReaderOpen : public ReaderTest {};

TEST_F(ReaderOpen, VideoWithAudioOffersRgb24AndPcm) {
  int marker = 0;
  ASSERT_TRUE(OpenAndWait(FixturePath(Fixture::Wmv2WithAudio), &opened, &marker));
  EXPECT_EQ(opened.openHr, S_OK);

  const std::vector<ReaderEvent> events = opened.callback->Events();
  ASSERT_EQ(events.size(), 1u);
  EXPECT_EQ(events[0].status, WMT_OPENED);
  EXPECT_EQ(events[0].context, &marker);
  EXPECT_NE(events[0].thread, std::this_thread::get_id());  // a runtime thread reports it

  DWORD count = 0;
  ASSERT_EQ(opened.reader->GetOutputCount(&count), S_OK);
  ASSERT_EQ(count, 2u);

  const std::vector<BYTE> video = OutputMediaType(opened.reader, 0);
  ASSERT_FALSE(video.empty());
  EXPECT_EQ(video.size(), sizeof(WM_MEDIA_TYPE) + sizeof(VIDEOINFOHEADER));
  EXPECT_TRUE(Media(video).majortype == WMMEDIATYPE_Video);
  EXPECT_TRUE(Media(video).subtype == WMMEDIASUBTYPE_RGB24);
  EXPECT_TRUE(Media(video).formattype == WMFORMAT_VideoInfo);
  EXPECT_EQ(Media(video).cbFormat, sizeof(VIDEOINFOHEADER));
  EXPECT_EQ(Media(video).pbFormat, video.data() + sizeof(WM_MEDIA_TYPE));
  const VIDEOINFOHEADER &info = *reinterpret_cast<const VIDEOINFOHEADER *>(Media(video).pbFormat);
  EXPECT_EQ(info.bmiHeader.biSize, sizeof(BITMAPINFOHEADER));
  EXPECT_EQ(info.bmiHeader.biWidth, 320);
  EXPECT_EQ(info.bmiHeader.biHeight, 240);  // positive: bottom-up
  EXPECT_EQ(info.bmiHeader.biPlanes, 1);
  EXPECT_EQ(info.bmiHeader.biBitCount, 24);
  EXPECT_EQ(info.bmiHeader.biCompression, static_cast<DWORD>(BI_RGB));
  EXPECT_EQ(info.bmiHeader.biSizeImage, 960u * 240u);
  EXPECT_EQ(info.AvgTimePerFrame, 333333);
  EXPECT_EQ(info.rcSource.right, 320);
  EXPECT_EQ(info.rcSource.bottom, 240);

  const std::vector<BYTE> audio = OutputMediaType(opened.reader, 1);
  ASSERT_FALSE(audio.empty());
  EXPECT_TRUE(Media(audio).majortype == WMMEDIATYPE_Audio);
  EXPECT_TRUE(Media(audio).subtype == WMMEDIASUBTYPE_PCM);
  EXPECT_TRUE(Media(audio).formattype == WMFORMAT_WaveFormatEx);
  const WAVEFORMATEX &wave = *reinterpret_cast<const WAVEFORMATEX *>(Media(audio).pbFormat);
  EXPECT_EQ(wave.wFormatTag, WAVE_FORMAT_PCM);
  EXPECT_EQ(wave.nChannels, 2);
  EXPECT_EQ(wave.nSamplesPerSec, 44100u);
  EXPECT_EQ(wave.wBitsPerSample, 16);
  EXPECT_EQ(wave.nBlockAlign, 4);
  EXPECT_EQ(wave.nAvgBytesPerSec, 176400u);

  HRESULT hr = E_FAIL;
  const QWORD duration = ReadDuration(opened.reader, &hr);
  EXPECT_EQ(hr, S_OK);
  // Ten seconds of video; the muxer shifts video by the audio's priming (46 ms).
  EXPECT_GE(duration, 100000000u);
  EXPECT_LE(duration, 101000000u);
}

TEST_F(ReaderOpen, DurationOfVideoOnlyFileIsExact) {
  ASSERT_TRUE(OpenAndWait(FixturePath(Fixture::Wmv1Video), &opened));
  HRESULT hr = E_FAIL;
  EXPECT_EQ(ReadDuration(opened.reader, &hr), 100000000u);
  EXPECT_EQ(hr, S_OK);
  DWORD count = 0;
  ASSERT_EQ(opened.reader->GetOutputCount(&count), S_OK);
  EXPECT_EQ(count, 1u);
}

TEST_F(ReaderOpen, SizeQueriesAnswerTheSdkWay) {
  ASSERT_TRUE(OpenAndWait(FixturePath(Fixture::Wmv1Video), &opened));

  IWMOutputMediaProps *props = nullptr;
  ASSERT_EQ(opened.reader->GetOutputProps(0, &props), S_OK);
  GUID major{};
  EXPECT_EQ(props->GetType(&major), S_OK);
  EXPECT_TRUE(major == WMMEDIATYPE_Video);
  DWORD size = 0;
  ASSERT_EQ(props->GetMediaType(nullptr, &size), S_OK);
  EXPECT_EQ(size, sizeof(WM_MEDIA_TYPE) + sizeof(VIDEOINFOHEADER));
  std::vector<BYTE> block(size);
  DWORD small = size - 1;
  EXPECT_EQ(props->GetMediaType(reinterpret_cast<WM_MEDIA_TYPE *>(block.data()), &small), ASF_E_BUFFERTOOSMALL);
  EXPECT_EQ(small, size);
  IWMMediaProps *base = nullptr;
  ASSERT_EQ(props->QueryInterface(IID_IWMMediaProps, reinterpret_cast<void **>(&base)), S_OK);
  EXPECT_EQ(base->Release(), 1u);
  EXPECT_EQ(props->Release(), 0u);
  EXPECT_EQ(opened.reader->GetOutputProps(1, &props), E_INVALIDARG);
  EXPECT_EQ(props, nullptr);

  IWMHeaderInfo *header = nullptr;
  ASSERT_EQ(opened.reader->QueryInterface(IID_IWMHeaderInfo, reinterpret_cast<void **>(&header)), S_OK);
  WORD stream = 0, length = 0;
  WMT_ATTR_DATATYPE type = WMT_TYPE_DWORD;
  EXPECT_EQ(header->GetAttributeByName(&stream, u"Duration", &type, nullptr, &length), S_OK);
  EXPECT_EQ(length, 8);
  EXPECT_EQ(type, WMT_TYPE_QWORD);
  BYTE value[8] = {};
  length = 4;
  EXPECT_EQ(header->GetAttributeByName(&stream, u"Duration", &type, value, &length), ASF_E_BUFFERTOOSMALL);
  EXPECT_EQ(length, 8);
  length = 8;
  EXPECT_EQ(header->GetAttributeByName(&stream, u"NoSuchAttribute", &type, value, &length), ASF_E_NOTFOUND);
  stream = 1;
  EXPECT_EQ(header->GetAttributeByName(&stream, u"Duration", &type, value, &length), ASF_E_NOTFOUND);

  // One object: the header interface leads back to the same reader.
  IWMReader *again = nullptr;
  ASSERT_EQ(header->QueryInterface(IID_IWMReader, reinterpret_cast<void **>(&again)), S_OK);
  EXPECT_EQ(again, opened.reader);
  EXPECT_EQ(again->Release(), 2u);
  EXPECT_EQ(header->Release(), 1u);
  IUnknown *other = reinterpret_cast<IUnknown *>(1);
  EXPECT_EQ(opened.reader->QueryInterface(IID_IWMWriter, reinterpret_cast<void **>(&other)), E_NOINTERFACE);
  EXPECT_EQ(other, nullptr);
}

TEST_F(ReaderOpen, OutputsFollowTheStreams) {
  DWORD count = 0;
  std::vector<BYTE> type;
  // A cover picture is no video stream.
  for (Fixture soundOnly : {Fixture::AudioOnly, Fixture::CoverArt}) {
    OpenedReader audioOnly;
    ASSERT_TRUE(OpenAndWait(FixturePath(soundOnly), &audioOnly));
    ASSERT_EQ(audioOnly.reader->GetOutputCount(&count), S_OK);
    ASSERT_EQ(count, 1u);
    type = OutputMediaType(audioOnly.reader, 0);
    ASSERT_FALSE(type.empty());
    EXPECT_TRUE(Media(type).majortype == WMMEDIATYPE_Audio);
    audioOnly.Finish();
  }

  OpenedReader twoAudio;
  ASSERT_TRUE(OpenAndWait(FixturePath(Fixture::TwoAudio), &twoAudio));
  ASSERT_EQ(twoAudio.reader->GetOutputCount(&count), S_OK);
  ASSERT_EQ(count, 3u);
  const DWORD rates[3] = {0, 44100, 22050};
  const WORD channels[3] = {0, 2, 1};
  for (DWORD i = 0; i < 3; ++i) {
    type = OutputMediaType(twoAudio.reader, i);
    ASSERT_FALSE(type.empty());
    if (i == 0) {
      EXPECT_TRUE(Media(type).majortype == WMMEDIATYPE_Video);
      continue;
    }
    ASSERT_TRUE(Media(type).majortype == WMMEDIATYPE_Audio);
    const WAVEFORMATEX &wave = *reinterpret_cast<const WAVEFORMATEX *>(Media(type).pbFormat);
    EXPECT_EQ(wave.nSamplesPerSec, rates[i]);
    EXPECT_EQ(wave.nChannels, channels[i]);
    EXPECT_EQ(wave.nBlockAlign, channels[i] * 2);
  }
  twoAudio.Finish();
}

TEST_F(ReaderOpen, CallsBeforeAnOpenFail) {
  IWMReader *reader = nullptr;
  ASSERT_EQ(WMCreateReaderPriv(&reader), S_OK);
  DWORD count = 7;
  EXPECT_EQ(reader->GetOutputCount(&count), NS_E_INVALID_REQUEST);
  EXPECT_EQ(count, 7u);
  EXPECT_EQ(reader->Start(0, 0, 1.0f, nullptr), NS_E_INVALID_REQUEST);
  EXPECT_EQ(reader->Stop(), NS_E_INVALID_REQUEST);
  EXPECT_EQ(reader->Close(), NS_E_INVALID_REQUEST);
  RecordingCallback *callback = new RecordingCallback();
  EXPECT_EQ(reader->Open(nullptr, callback, nullptr), E_INVALIDARG);
  EXPECT_EQ(reader->Open(u"/nonexistent/file.wmv", nullptr, nullptr), E_INVALIDARG);
  // A file that is not there fails at once and reports nothing.
  EXPECT_EQ(reader->Open(u"/nonexistent/file.wmv", callback, nullptr), NS_E_FILE_OPEN_FAILED);
  EXPECT_TRUE(callback->Events().empty());
  EXPECT_EQ(reader->Release(), 0u);
  EXPECT_EQ(callback->Release(), 0u);
  EXPECT_EQ(WMCreateReaderPriv(nullptr), E_POINTER);
}

TEST_F(ReaderOpen, CloseReportsClosedAndAllowsAnotherOpen) {
  ASSERT_TRUE(OpenAndWait(FixturePath(Fixture::Wmv1Video), &opened));
  // A second Open without Close is refused.
  EXPECT_EQ(opened.reader->Open(reinterpret_cast<const WCHAR *>(Wide(FixturePath(Fixture::AudioOnly)).c_str()),
                                opened.callback, nullptr),
            NS_E_INVALID_REQUEST);
  ASSERT_EQ(opened.reader->Close(), S_OK);
  EXPECT_EQ(opened.callback->Count(WMT_CLOSED), 1);  // delivered before Close returned
  DWORD count = 0;
  EXPECT_EQ(opened.reader->GetOutputCount(&count), NS_E_INVALID_REQUEST);

  ASSERT_EQ(opened.reader->Open(reinterpret_cast<const WCHAR *>(Wide(FixturePath(Fixture::AudioOnly)).c_str()),
                                opened.callback, nullptr),
            S_OK);
  ASSERT_TRUE(opened.callback->WaitFor(WMT_OPENED, 2));
  ASSERT_EQ(opened.reader->GetOutputCount(&count), S_OK);
  EXPECT_EQ(count, 1u);
}
