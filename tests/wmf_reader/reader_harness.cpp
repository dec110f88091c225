// Shared steps of the reader's tests.
#include "reader_harness.h"

#include <cstring>
#include <memory>

void OpenedReader::Finish() {
  if (reader) {
    reader->Close();
    EXPECT_EQ(reader->Release(), 0u);
    reader = nullptr;
  }
  if (callback) {
    EXPECT_EQ(callback->Release(), 0u);
    callback = nullptr;
  }
}

void ReaderTest::TearDown() {
  if (opened.callback) {
    opened.callback->SetOnSample(nullptr);
    opened.callback->SetOnStatus(nullptr);
  }
  opened.Finish();
}

::testing::AssertionResult OpenAndWait(const std::string &path, OpenedReader *opened, void *context) {
  if (path.empty()) return ::testing::AssertionFailure() << "fixture could not be made";
  HRESULT hr = WMCreateReaderPriv(&opened->reader);
  if (hr != S_OK) return ::testing::AssertionFailure() << "WMCreateReaderPriv " << std::hex << hr;
  opened->callback = new RecordingCallback();
  hr = opened->reader->Open(reinterpret_cast<const WCHAR *>(Wide(path).c_str()), opened->callback, context);
  if (hr != S_OK) return ::testing::AssertionFailure() << "Open " << std::hex << hr;
  if (!opened->callback->WaitFor(WMT_OPENED)) return ::testing::AssertionFailure() << "no WMT_OPENED";
  for (const ReaderEvent &e : opened->callback->Events())
    if (!e.sample && e.status == WMT_OPENED) opened->openHr = e.hr;
  return ::testing::AssertionSuccess();
}

std::vector<BYTE> OutputMediaType(IWMReader *reader, DWORD output) {
  IWMOutputMediaProps *props = nullptr;
  if (reader->GetOutputProps(output, &props) != S_OK || !props) return {};
  DWORD size = 0;
  std::vector<BYTE> block;
  if (props->GetMediaType(nullptr, &size) == S_OK && size >= sizeof(WM_MEDIA_TYPE)) {
    block.resize(size);
    if (props->GetMediaType(reinterpret_cast<WM_MEDIA_TYPE *>(block.data()), &size) != S_OK) block.clear();
  }
  EXPECT_EQ(props->Release(), 0u);
  return block;
}

wmf_fixtures::Picture PictureOf(const ReaderEvent &sample, const std::vector<BYTE> &type) {
  const WM_MEDIA_TYPE *media = reinterpret_cast<const WM_MEDIA_TYPE *>(type.data());
  const VIDEOINFOHEADER *info = reinterpret_cast<const VIDEOINFOHEADER *>(media->pbFormat);
  const BITMAPINFOHEADER &bmi = info->bmiHeader;
  wmf_fixtures::Picture picture;
  picture.bits = sample.bytes.data();
  picture.width = bmi.biWidth;
  picture.height = bmi.biHeight;
  picture.bitCount = bmi.biBitCount;
  picture.stride = static_cast<int>(((bmi.biWidth * bmi.biBitCount + 31) / 32) * 4);
  picture.palette = bmi.biBitCount == 8 ? reinterpret_cast<const uint8_t *>(info + 1) : nullptr;
  return picture;
}

::testing::AssertionResult FirstSampleAt(OpenedReader &opened, QWORD start, DWORD output, ReaderEvent *sample) {
  RecordingCallback *callback = opened.callback;
  IWMReader *reader = opened.reader;
  const int stopsBefore = callback->Count(WMT_STOPPED);
  const int eofsBefore = callback->Count(WMT_EOF);
  // Only this sample's bytes are copied: at 1080p a picture is 6 MB.
  auto taken = std::make_shared<std::atomic<bool>>(false);
  auto first = std::make_shared<ReaderEvent>();
  callback->SetOnSample([reader, output, taken, first](const ReaderEvent &e) {
    if (e.output != output || taken->exchange(true)) return;
    *first = e;
    reader->Stop();
  });
  if (reader->Start(start, 0, 1.0f, nullptr) != S_OK) return ::testing::AssertionFailure() << "Start failed";
  bool ended = false;
  for (int i = 0; i < 3000 && !ended; ++i) {
    ended = callback->Count(WMT_STOPPED) > stopsBefore || callback->Count(WMT_EOF) > eofsBefore;
    if (!ended) std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  callback->SetOnSample(nullptr);
  if (!ended) return ::testing::AssertionFailure() << "the start never ended";
  if (!taken->load()) return ::testing::AssertionFailure() << "no sample of output " << output;
  *sample = std::move(*first);
  return ::testing::AssertionSuccess();
}

QWORD ReadDuration(IWMReader *reader, HRESULT *hr) {
  IWMHeaderInfo *header = nullptr;
  *hr = reader->QueryInterface(IID_IWMHeaderInfo, reinterpret_cast<void **>(&header));
  if (*hr != S_OK) return 0;
  WORD stream = 0, length = 8;
  WMT_ATTR_DATATYPE type = WMT_TYPE_DWORD;
  QWORD duration = 0;
  *hr = header->GetAttributeByName(&stream, u"Duration", &type, reinterpret_cast<BYTE *>(&duration), &length);
  EXPECT_EQ(header->Release(), 1u);
  return duration;
}
