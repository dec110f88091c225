// piLocalSaveData and the transfer end against the scripted runtime: what the writer
// is told, which times the pieces carry, and how failures leave the instance.
#include <gtest/gtest.h>

#include <cstdio>
#include <memory>
#include <string>

#include "environment.h"
#include "export_records.h"
#include "fake_runtime.h"
#include "files.h"
#include "test_instance.h"

namespace {

struct Message {
  std::string text, caption;
  UINT type;
};

int RecordMessage(HWND, const char *text, const char *caption, UINT type, void *context) {
  static_cast<std::vector<Message> *>(context)->push_back({text, caption, type});
  return IDOK;
}

class ExportCalls : public testsupport::PluginTest {
 protected:
  void SetUp() override {
    fake::Reset();
    Win32SetMessageBoxHook(RecordMessage, &messages_);
    ChooseProfile("select:0,ok");  // the profile selection of a fresh process: entry 0
  }
  void TearDown() override {
    owned_.reset();  // ends its transfer while the hooks still record
    Win32SetMessageBoxHook(nullptr, nullptr);
    Win32SetDialogScript(nullptr);
  }

  // Sets the module-wide profile selection the way a user does, through the dialog.
  void ChooseProfile(const char *script) {
    TestInstance dialogInstance;
    Win32SetDialogScript(script);
    pi().piLocalDlg(0, dialogInstance.handle(), nullptr);
    Win32SetDialogScript(nullptr);
    messages_.clear();
  }

  BOOL SetFormat(TestInstance &instance, const HostFormat &record) {
    std::vector<BYTE> bytes = ShortForm(record);
    return pi().piLocalSetFormat(0, instance.handle(), bytes.data());
  }
  // Hands the host's data to the plug-in and saves it as a piece of `kind`.
  BOOL Save(TestInstance &instance, const void *data, LONG length, LONG kind, const char *name = "out.wmv") {
    pi().piLocalSetData(0, instance.handle(), data, length, 0, 0);
    return pi().piLocalSaveData(0, instance.handle(), kind, name);
  }
  BOOL SaveFrame(TestInstance &instance, const std::vector<BYTE> &dib, const char *name = "out.wmv") {
    return Save(instance, dib.data(), static_cast<LONG>(dib.size()), 1, name);
  }
  BOOL SaveAudio(TestInstance &instance, const std::vector<BYTE> &pcm, LONG kind = 2) {
    return Save(instance, pcm.data(), static_cast<LONG>(pcm.size()), kind);
  }

  const fake::DeclaredInput *Declared(const GUID &major) {
    for (const fake::DeclaredInput &d : fake::Get().declared)
      if (IsEqualGUID(d.type.majortype, major)) return &d;
    return nullptr;
  }

  std::vector<Message> messages_;
  // The instance most tests use; tests that need a fresh one per case make their own.
  std::unique_ptr<TestInstance> owned_ = std::make_unique<TestInstance>();
  TestInstance &instance = *owned_;
};

TEST_F(ExportCalls, WorkedExampleTimesAndCounters) {
  ASSERT_TRUE(SetFormat(instance, WorkedExampleRecord()));
  ASSERT_TRUE(pi().piLocalProcessDataStart(0, instance.handle()));
  std::vector<BYTE> dib = NumberedDib(320, 240, 7);
  for (int i = 0; i < 3; ++i) ASSERT_TRUE(SaveFrame(instance, dib)) << i;
  std::vector<BYTE> pcm(17640, 0x11);
  ASSERT_TRUE(SaveAudio(instance, pcm));
  ASSERT_TRUE(SaveAudio(instance, pcm));

  const fake::Runtime &rt = fake::Get();
  ASSERT_EQ(5u, rt.written.size());
  EXPECT_EQ(0u, rt.written[0].time);
  EXPECT_EQ(333333u, rt.written[1].time);
  EXPECT_EQ(666666u, rt.written[2].time);
  EXPECT_EQ(0u, rt.written[3].time);
  EXPECT_EQ(1000000u, rt.written[4].time) << "17,640 bytes advance 4,410 sample frames";
  InstanceBlock fields = instance.Fields();
  EXPECT_EQ(230400u, fields.format.bitmap.biSizeImage);
  EXPECT_EQ(3, fields.videoFrameCounter);
  EXPECT_EQ(8820, fields.audioSampleCounter);
  EXPECT_EQ(-1, fields.requestedPosition);
  EXPECT_EQ(1, fields.transferOpen);

  // Video samples: the image size, the DIB's rows unchanged after its 40-byte header.
  EXPECT_EQ(230400u, rt.written[0].allocated);
  EXPECT_EQ(std::vector<BYTE>(dib.begin() + 40, dib.end()), rt.written[0].bytes);
  EXPECT_EQ(17640u, rt.written[3].allocated);
  EXPECT_EQ(pcm, rt.written[3].bytes);
  for (const fake::WrittenSample &s : rt.written) EXPECT_EQ(0u, s.flags);
  EXPECT_EQ(1, rt.writersCreated) << "one writer setup per transfer";
  EXPECT_EQ(u"out.wmv", rt.outputName);
}

TEST_F(ExportCalls, DeclaredMediaTypes) {
  ASSERT_TRUE(SetFormat(instance, WorkedExampleRecord()));
  ASSERT_TRUE(SaveFrame(instance, NumberedDib(320, 240, 0)));
  const fake::Runtime &rt = fake::Get();
  EXPECT_EQ(static_cast<DWORD>(WMT_VER_7_0), rt.version);
  EXPECT_EQ(u"Video A", rt.profileSetName);
  ASSERT_EQ(2u, rt.declared.size());
  EXPECT_TRUE(IsEqualGUID(WMMEDIATYPE_Audio, rt.declared[0].type.majortype)) << "audio is declared first";

  const fake::DeclaredInput &audio = rt.declared[0];
  EXPECT_EQ(0u, audio.input);
  EXPECT_TRUE(IsEqualGUID(WMMEDIASUBTYPE_PCM, audio.type.subtype));
  EXPECT_TRUE(audio.type.bFixedSizeSamples);
  EXPECT_FALSE(audio.type.bTemporalCompression);
  EXPECT_EQ(4u, audio.type.lSampleSize);
  EXPECT_TRUE(IsEqualGUID(WMFORMAT_WaveFormatEx, audio.type.formattype));
  EXPECT_EQ(nullptr, audio.type.pUnk);
  ASSERT_EQ(18u, audio.type.cbFormat);
  WAVEFORMATEX wave;
  memcpy(&wave, audio.format.data(), sizeof(wave));
  EXPECT_EQ(1, wave.wFormatTag);
  EXPECT_EQ(2, wave.nChannels);
  EXPECT_EQ(44100u, wave.nSamplesPerSec);
  EXPECT_EQ(176400u, wave.nAvgBytesPerSec);
  EXPECT_EQ(4, wave.nBlockAlign);
  EXPECT_EQ(16, wave.wBitsPerSample);
  EXPECT_EQ(0, wave.cbSize);

  const fake::DeclaredInput &video = rt.declared[1];
  EXPECT_EQ(1u, video.input);
  EXPECT_TRUE(IsEqualGUID(WMMEDIASUBTYPE_RGB24, video.type.subtype));
  EXPECT_TRUE(video.type.bFixedSizeSamples);
  EXPECT_FALSE(video.type.bTemporalCompression);
  EXPECT_EQ(230400u, video.type.lSampleSize);
  EXPECT_TRUE(IsEqualGUID(WMFORMAT_VideoInfo, video.type.formattype));
  ASSERT_EQ(88u, video.type.cbFormat);
  VIDEOINFOHEADER info;
  memcpy(&info, video.format.data(), sizeof(info));
  EXPECT_EQ(0, info.rcSource.left);
  EXPECT_EQ(0, info.rcSource.top);
  EXPECT_EQ(320, info.rcSource.right);
  EXPECT_EQ(240, info.rcSource.bottom);
  EXPECT_EQ(0, memcmp(&info.rcSource, &info.rcTarget, sizeof(RECT)));
  EXPECT_EQ(55296000u, info.dwBitRate);
  EXPECT_EQ(0u, info.dwBitErrorRate);
  EXPECT_EQ(333333, info.AvgTimePerFrame);
  EXPECT_EQ(230400u, info.bmiHeader.biSizeImage);
  EXPECT_EQ(320, info.bmiHeader.biWidth);
  EXPECT_EQ(24, info.bmiHeader.biBitCount);
}

TEST_F(ExportCalls, BitRateAndFrameDurationFollowSizeAndRate) {
  struct Expect {
    LONG width, height, rate;
    DWORD bitRate;
    LONGLONG perFrame;
  };
  for (const Expect &e : {Expect{640, 480, 30000, 221184000u, 333333}, Expect{320, 240, 25000, 46080000u, 400000},
                          Expect{320, 240, 29970, 55240704u, 333667}}) {
    fake::Reset();
    TestInstance instance;
    HostFormat record = WorkedExampleRecord();
    record.flags = kHostFormatVideo;
    record.bitmap.biWidth = e.width;
    record.bitmap.biHeight = e.height;
    record.frameRate = e.rate;
    ASSERT_TRUE(SetFormat(instance, record));
    ASSERT_TRUE(SaveFrame(instance, NumberedDib(e.width, e.height, 0)));
    const fake::DeclaredInput *video = Declared(WMMEDIATYPE_Video);
    ASSERT_NE(nullptr, video);
    EXPECT_EQ(nullptr, Declared(WMMEDIATYPE_Audio)) << "an input the record does not describe keeps its own format";
    VIDEOINFOHEADER info;
    memcpy(&info, video->format.data(), sizeof(info));
    EXPECT_EQ(e.bitRate, info.dwBitRate) << e.width << "x" << e.height << " at " << e.rate;
    EXPECT_EQ(e.perFrame, info.AvgTimePerFrame);
  }
}

TEST_F(ExportCalls, AudioFirstDeclaresAnImageSizeOfZero) {
  ASSERT_TRUE(SetFormat(instance, WorkedExampleRecord()));
  ASSERT_TRUE(SaveAudio(instance, std::vector<BYTE>(400)));
  const fake::DeclaredInput *video = Declared(WMMEDIATYPE_Video);
  ASSERT_NE(nullptr, video);
  EXPECT_EQ(0u, video->type.lSampleSize);
  VIDEOINFOHEADER info;
  memcpy(&info, video->format.data(), sizeof(info));
  EXPECT_EQ(0u, info.dwBitRate);
  // The frames themselves still get the computed size.
  ASSERT_TRUE(SaveFrame(instance, NumberedDib(320, 240, 1)));
  EXPECT_EQ(230400u, fake::Get().written.back().allocated);
}

TEST_F(ExportCalls, RequestedPositionRestartsOnlyTheKindThatTakesIt) {
  ASSERT_TRUE(SetFormat(instance, WorkedExampleRecord()));
  std::vector<BYTE> dib = NumberedDib(320, 240, 0);
  std::vector<BYTE> pcm(4410 * 4);
  ASSERT_TRUE(SaveFrame(instance, dib));
  ASSERT_TRUE(SaveAudio(instance, pcm));
  ASSERT_TRUE(pi().piLocalLength(0, instance.handle(), 90));
  ASSERT_TRUE(pi().piLocalSaveData(0, instance.handle(), 0, "out.wmv")) << "kind 0 leaves the position in place";
  EXPECT_EQ(90, instance.Fields().requestedPosition);
  ASSERT_TRUE(SaveAudio(instance, pcm));  // takes 90 as its sample position
  ASSERT_TRUE(SaveFrame(instance, dib));  // continues from frame 1
  const fake::Runtime &rt = fake::Get();
  ASSERT_EQ(4u, rt.written.size());
  EXPECT_EQ(90u * 10000000 / 44100, rt.written[2].time);
  EXPECT_EQ(333333u, rt.written[3].time);
  ASSERT_TRUE(pi().piLocalProcessDataStart(0, instance.handle()));
  ASSERT_TRUE(SaveFrame(instance, dib));
  EXPECT_EQ(0u, rt.written.back().time);
  EXPECT_EQ(1, instance.Fields().videoFrameCounter);
}

TEST_F(ExportCalls, EveryKindButZeroAndOneIsAudio) {
  ASSERT_TRUE(SetFormat(instance, WorkedExampleRecord()));
  EXPECT_TRUE(pi().piLocalSaveData(0, instance.handle(), 0, "out.wmv"));
  EXPECT_EQ(0, fake::Get().writersCreated) << "kind 0 opens nothing";
  std::vector<BYTE> pcm(8);
  for (LONG kind : {2, 7, -1}) ASSERT_TRUE(SaveAudio(instance, pcm, kind)) << kind;
  ASSERT_EQ(3u, fake::Get().written.size());
  for (const fake::WrittenSample &s : fake::Get().written) EXPECT_EQ(0u, s.input);
  EXPECT_EQ(6, instance.Fields().audioSampleCounter);
}

TEST_F(ExportCalls, ProfileSelectionSkipsProfilesWithoutVideo) {
  ChooseProfile("select:1,ok");  // "Video B", third system profile
  ASSERT_TRUE(SetFormat(instance, WorkedExampleRecord()));
  ASSERT_TRUE(SaveFrame(instance, NumberedDib(320, 240, 0)));
  EXPECT_EQ(u"Video B", fake::Get().profileSetName);
}

TEST_F(ExportCalls, NoProfileSelectedFailsSilently) {
  ChooseProfile("ok,cancel");  // OK without a selection leaves -1
  ASSERT_TRUE(SetFormat(instance, WorkedExampleRecord()));
  ASSERT_TRUE(pi().piLocalProcessDataStart(0, instance.handle()));
  EXPECT_FALSE(SaveFrame(instance, NumberedDib(320, 240, 0)));
  EXPECT_TRUE(messages_.empty());
  EXPECT_EQ(0, fake::Get().writersCreated);
  EXPECT_EQ(0, instance.Fields().transferOpen);
  EXPECT_EQ(-1, instance.Fields().requestedPosition) << "the failed call still took the position";
}

TEST_F(ExportCalls, ProfileSelectionBeyondTheListFails) {
  SaveSetting(QPL_SETTING_PROFILE, 9);
  ChooseProfile("cancel");  // the dialog restores 9 even though the list is shorter
  ASSERT_TRUE(SetFormat(instance, WorkedExampleRecord()));
  EXPECT_FALSE(SaveFrame(instance, NumberedDib(320, 240, 0)));
  EXPECT_EQ(0, fake::Get().writersCreated);
  EXPECT_EQ(0, fake::Get().live);
}

TEST_F(ExportCalls, UnrecognisedInputIsReportedAndEverythingReleased) {
  fake::Get().profiles[0].streams.push_back(WMMEDIATYPE_Script);
  ASSERT_TRUE(SetFormat(instance, WorkedExampleRecord()));
  EXPECT_FALSE(SaveFrame(instance, NumberedDib(320, 240, 0)));
  ASSERT_EQ(1u, messages_.size());
  EXPECT_EQ("The selected output format contains an unrecognized media type.", messages_[0].text);
  EXPECT_EQ("Windows Media Error", messages_[0].caption);
  EXPECT_EQ(static_cast<UINT>(MB_OK), messages_[0].type);
  InstanceBlock fields = instance.Fields();
  EXPECT_EQ(0, fields.transferOpen);
  EXPECT_EQ(nullptr, fields.writer);
  EXPECT_EQ(nullptr, fields.profileManager);
  EXPECT_EQ(0, fake::Get().live) << "a failed setup holds nothing";
  // The next piece runs the whole setup again.
  EXPECT_FALSE(SaveFrame(instance, NumberedDib(320, 240, 0)));
  EXPECT_EQ(2, fake::Get().writersCreated);
}

TEST_F(ExportCalls, SetupFailuresAreSilentAndRetried) {
  struct Failure {
    const char *what;
    void (*arrange)(fake::Runtime &);
  };
  const Failure failures[] = {
      {"profile manager", [](fake::Runtime &rt) { rt.createManager = E_OUTOFMEMORY; }},
      {"no IWMProfileManager2", [](fake::Runtime &rt) { rt.offerManager2 = false; }},
      {"profile count", [](fake::Runtime &rt) { rt.profileCount = E_FAIL; }},
      {"profile load", [](fake::Runtime &rt) { rt.profiles[0].failLoad = true; }},
      {"writer", [](fake::Runtime &rt) { rt.createWriter = E_NOTIMPL; }},
      {"output name", [](fake::Runtime &rt) { rt.setOutputFilename = static_cast<HRESULT>(0x80070005); }},
      {"input properties", [](fake::Runtime &rt) { rt.failGetInputProps = true; }},
      {"media type", [](fake::Runtime &rt) { rt.setMediaType = E_INVALIDARG; }},
      {"input format", [](fake::Runtime &rt) { rt.setInputProps = NS_E_INVALID_INPUT_FORMAT; }},
      {"no inputs", [](fake::Runtime &rt) { rt.noInputs = true; }},
      {"begin writing", [](fake::Runtime &rt) { rt.beginWriting = S_FALSE; }},
  };
  for (const Failure &f : failures) {
    fake::Reset();
    f.arrange(fake::Get());
    {
      TestInstance instance;
      ASSERT_TRUE(SetFormat(instance, WorkedExampleRecord()));
      EXPECT_FALSE(SaveFrame(instance, NumberedDib(320, 240, 0))) << f.what;
      EXPECT_EQ(0, instance.Fields().transferOpen) << f.what;
      EXPECT_EQ(0, fake::Get().live) << f.what << ": a failed setup holds nothing";
      EXPECT_TRUE(fake::Get().written.empty()) << f.what;
      fake::Reset();  // the runtime recovers: the next piece sets up again
      EXPECT_TRUE(SaveFrame(instance, NumberedDib(320, 240, 0))) << f.what;
      EXPECT_EQ(1, instance.Fields().transferOpen) << f.what;
    }
    EXPECT_EQ(0, fake::Get().live) << f.what;
  }
  EXPECT_TRUE(messages_.empty());
}

TEST_F(ExportCalls, PieceWithoutAnInputIsRefusedAndNotCounted) {
  ChooseProfile("select:2,ok");  // "Video C": video only
  ASSERT_TRUE(SetFormat(instance, WorkedExampleRecord()));
  ASSERT_TRUE(SaveFrame(instance, NumberedDib(320, 240, 0)));
  EXPECT_FALSE(SaveAudio(instance, std::vector<BYTE>(64)));
  EXPECT_EQ(0, instance.Fields().audioSampleCounter);
  EXPECT_EQ(1u, fake::Get().written.size());
}

TEST_F(ExportCalls, FailedSampleAllocationChangesNoCounter) {
  ASSERT_TRUE(SetFormat(instance, WorkedExampleRecord()));
  ASSERT_TRUE(SaveFrame(instance, NumberedDib(320, 240, 0)));
  fake::Get().allocateSample = E_OUTOFMEMORY;
  EXPECT_FALSE(SaveFrame(instance, NumberedDib(320, 240, 0)));
  EXPECT_FALSE(SaveAudio(instance, std::vector<BYTE>(64)));
  EXPECT_EQ(1, instance.Fields().videoFrameCounter);
  EXPECT_EQ(0, instance.Fields().audioSampleCounter);
  fake::Get().allocateSample = S_OK;
  ASSERT_TRUE(SaveFrame(instance, NumberedDib(320, 240, 0)));
  EXPECT_EQ(333333u, fake::Get().written.back().time);
}

TEST_F(ExportCalls, AudioChunkLargerThanTheBufferSizeGetsALargerSample) {
  HostFormat record = WorkedExampleRecord();
  record.audioBufferSize = 1000;
  ASSERT_TRUE(SetFormat(instance, record));
  std::vector<BYTE> pcm(4000);
  for (size_t i = 0; i < pcm.size(); ++i) pcm[i] = static_cast<BYTE>(i * 7);
  ASSERT_TRUE(SaveAudio(instance, pcm));
  ASSERT_TRUE(SaveAudio(instance, std::vector<BYTE>(40)));
  const fake::Runtime &rt = fake::Get();
  EXPECT_EQ(4000u, rt.written[0].allocated);
  EXPECT_EQ(pcm, rt.written[0].bytes);
  EXPECT_EQ(1000u, rt.written[1].allocated) << "smaller chunks keep the host's buffer size";
  EXPECT_EQ(40u, rt.written[1].bytes.size());
  EXPECT_EQ(1010, instance.Fields().audioSampleCounter);
}

TEST_F(ExportCalls, UnsafeRecordsAndPiecesAreRefusedBeforeAnythingIsWritten) {
  struct Refusal {
    const char *what;
    void (*change)(HostFormat &);
    bool video;
  };
  const Refusal refusals[] = {
      {"zero block alignment", [](HostFormat &f) { f.wave.nBlockAlign = 0; }, false},
      {"zero sample rate", [](HostFormat &f) { f.wave.nSamplesPerSec = 0; }, false},
      {"negative height", [](HostFormat &f) { f.bitmap.biHeight = -240; }, true},
      {"negative width", [](HostFormat &f) { f.bitmap.biWidth = -320; }, true},
      {"height that overflows", [](HostFormat &f) { f.bitmap.biHeight = 0x7FFFFFFF; }, true},
      {"frame rate 0", [](HostFormat &f) { f.frameRate = 0; }, true},
  };
  for (const Refusal &r : refusals) {
    fake::Reset();
    TestInstance instance;
    HostFormat record = WorkedExampleRecord();
    r.change(record);
    SetFormat(instance, record);  // refused, but the copy stays and saves read it
    BOOL saved = r.video ? SaveFrame(instance, NumberedDib(320, 240, 0)) : SaveAudio(instance, std::vector<BYTE>(64));
    EXPECT_FALSE(saved) << r.what;
    EXPECT_EQ(0, fake::Get().writersCreated) << r.what;
    EXPECT_EQ(0, instance.Fields().videoFrameCounter + instance.Fields().audioSampleCounter) << r.what;
  }
}

TEST_F(ExportCalls, MissingOrShortDataIsRefused) {
  ASSERT_TRUE(SetFormat(instance, WorkedExampleRecord()));
  EXPECT_FALSE(Save(instance, nullptr, 0, 1));
  EXPECT_FALSE(Save(instance, nullptr, 100, 2));
  std::vector<BYTE> dib = NumberedDib(320, 240, 0);
  EXPECT_FALSE(Save(instance, dib.data(), 1000, 1)) << "a DIB shorter than its rows";
  EXPECT_FALSE(Save(instance, dib.data(), -1, 2));
  EXPECT_EQ(0, fake::Get().writersCreated);
  // A host that gives no size for a DIB is trusted, as before.
  EXPECT_TRUE(Save(instance, dib.data(), 0, 1));
}

// A record may name a larger image size than its frame's rows; the host's picture
// holds only the rows, and no more of it is read: frames are the rows' size.
TEST_F(ExportCalls, FramesAreReadNoFurtherThanTheirRows) {
  HostFormat record = WorkedExampleRecord();
  record.flags = kHostFormatVideo;
  record.bitmap.biWidth = 64;
  record.bitmap.biHeight = 48;
  record.bitmap.biSizeImage = 1000000;
  ASSERT_TRUE(SetFormat(instance, record));
  const std::vector<BYTE> dib = NumberedDib(64, 48, 3);
  const LONG whole = static_cast<LONG>(dib.size());
  EXPECT_FALSE(Save(instance, dib.data(), whole - 1, 1)) << "a DIB one byte short of its rows";
  for (LONG named : {0, whole}) {
    ASSERT_TRUE(Save(instance, dib.data(), named, 1)) << named;
    EXPECT_EQ(std::vector<BYTE>(dib.begin() + 40, dib.end()), fake::Get().written.back().bytes) << named;
    EXPECT_EQ(dib.size() - 40, fake::Get().written.back().allocated) << named;
  }
}

TEST_F(ExportCalls, NullOrOverlongFileNameFailsTheSetup) {
  ASSERT_TRUE(SetFormat(instance, WorkedExampleRecord()));
  const std::vector<BYTE> dib = NumberedDib(320, 240, 0);  // the later saves read it too
  EXPECT_FALSE(SaveFrame(instance, dib, nullptr));
  std::string longest(259, 'a'), tooLong(260, 'a');
  EXPECT_FALSE(pi().piLocalSaveData(0, instance.handle(), 1, tooLong.c_str()));
  EXPECT_EQ(0, fake::Get().writersCreated);
  EXPECT_TRUE(pi().piLocalSaveData(0, instance.handle(), 1, longest.c_str())) << "259 characters and the terminator fit";
  EXPECT_EQ(std::u16string(259, u'a'), fake::Get().outputName);
  // Later calls of the transfer ignore their file name, even a null one.
  EXPECT_TRUE(pi().piLocalSaveData(0, instance.handle(), 1, nullptr));
}

TEST_F(ExportCalls, OpenImportTransferIsLeftAlone) {
  ASSERT_TRUE(SetFormat(instance, WorkedExampleRecord()));
  // The transfer open flag as an import leaves it: set, with no writer.
  InstanceBlock *block = static_cast<InstanceBlock *>(GlobalLock(instance.handle()));
  block->transferOpen = 1;
  GlobalUnlock(instance.handle());
  EXPECT_FALSE(SaveFrame(instance, NumberedDib(320, 240, 0)));
  EXPECT_EQ(0, fake::Get().writersCreated);
  EXPECT_EQ(0, instance.Fields().videoFrameCounter);
  block = static_cast<InstanceBlock *>(GlobalLock(instance.handle()));
  block->transferOpen = 0;
  GlobalUnlock(instance.handle());
}

TEST_F(ExportCalls, TransferEndFlushesEndsAndReleasesOnce) {
  ASSERT_TRUE(SetFormat(instance, WorkedExampleRecord()));
  ASSERT_TRUE(SaveFrame(instance, NumberedDib(320, 240, 0)));
  EXPECT_GT(fake::Get().live, 0);
  ASSERT_TRUE(pi().piLocalProcessDataEnd(0, instance.handle()));
  const fake::Runtime &rt = fake::Get();
  EXPECT_EQ(1, rt.flushCalls);
  EXPECT_EQ(1, rt.endCalls);
  EXPECT_EQ(0, rt.live);
  InstanceBlock fields = instance.Fields();
  EXPECT_EQ(0, fields.transferOpen);
  EXPECT_EQ(nullptr, fields.writer);
  EXPECT_EQ(nullptr, fields.profile);
  EXPECT_EQ(nullptr, fields.videoInput);
  EXPECT_EQ(nullptr, fields.audioInput);
  EXPECT_EQ(nullptr, fields.profileManager);
  EXPECT_EQ(1, fields.videoFrameCounter) << "the counters keep their values";
  ASSERT_TRUE(pi().piLocalProcessDataEnd(0, instance.handle()));
  EXPECT_EQ(1, rt.flushCalls) << "a second end finds nothing to do";
  // The block is reusable: the next piece opens a new transfer.
  ASSERT_TRUE(SaveFrame(instance, NumberedDib(320, 240, 0), "second.wmv"));
  EXPECT_EQ(u"second.wmv", rt.outputName);
  EXPECT_EQ(333333u, rt.written.back().time);
}

TEST_F(ExportCalls, FreeingTheInstanceEndsAnOpenExport) {
  ASSERT_TRUE(SetFormat(instance, WorkedExampleRecord()));
  ASSERT_TRUE(SaveFrame(instance, NumberedDib(320, 240, 0)));
  pi().piLocalDone(0, instance.handle());
  instance.Detach();
  EXPECT_EQ(1, fake::Get().flushCalls);
  EXPECT_EQ(1, fake::Get().endCalls);
  EXPECT_EQ(0, fake::Get().live);
}

TEST_F(ExportCalls, AFailedWriteFailsTheTransferAndRemovesItsFile) {
  struct Failure {
    const char *what;
    HRESULT fake::Runtime::*call;
    bool atSecondFrame;  // else at the transfer end
    bool endByDone;      // the host frees the block instead of ending the transfer
  };
  const Failure failures[] = {
      {"nothing fails", nullptr, false, false},
      {"write sample", &fake::Runtime::writeSample, true, false},
      {"write sample, block freed", &fake::Runtime::writeSample, true, true},
      {"flush", &fake::Runtime::flush, false, false},
      {"end writing", &fake::Runtime::endWriting, false, false},
      {"end writing, block freed", &fake::Runtime::endWriting, false, true},
  };
  const std::string file = registry_.folder() / "out.wmv";
  const std::vector<BYTE> dib = NumberedDib(320, 240, 0), pcm(400);
  for (const Failure &f : failures) {
    fake::Reset();
    fake::Runtime &rt = fake::Get();
    rt.createFile = true;
    TestInstance instance;
    ASSERT_TRUE(SetFormat(instance, WorkedExampleRecord()));
    ASSERT_TRUE(SaveFrame(instance, dib, file.c_str())) << f.what;
    ASSERT_TRUE(testsupport::FileExists(file)) << f.what;
    if (f.call) rt.*f.call = E_FAIL;
    if (f.atSecondFrame) {
      EXPECT_FALSE(SaveFrame(instance, dib, file.c_str())) << f.what;
      rt.*f.call = S_OK;  // the runtime would take the next piece, but the file has a gap
      EXPECT_FALSE(SaveFrame(instance, dib, file.c_str())) << f.what;
      EXPECT_FALSE(SaveAudio(instance, pcm)) << f.what;
      EXPECT_TRUE(pi().piLocalSaveData(0, instance.handle(), 0, file.c_str())) << f.what << ": kind 0 does nothing";
      EXPECT_EQ(1u, rt.written.size()) << f.what;
      EXPECT_EQ(1, instance.Fields().videoFrameCounter) << f.what;
    } else {
      EXPECT_TRUE(SaveFrame(instance, dib, file.c_str())) << f.what;
    }
    if (f.endByDone) {
      pi().piLocalDone(0, instance.handle());
      instance.Detach();
    } else {
      EXPECT_EQ(f.call ? FALSE : TRUE, pi().piLocalProcessDataEnd(0, instance.handle())) << f.what;
      EXPECT_EQ(0, instance.Fields().transferOpen) << f.what;
    }
    EXPECT_EQ(1, rt.flushCalls) << f.what;
    EXPECT_EQ(1, rt.endCalls) << f.what << ": the file is let go even after a failed flush";
    EXPECT_EQ(0, rt.live) << f.what;
    EXPECT_EQ(!f.call, testsupport::FileExists(file)) << f.what << ": only a whole file is kept";
    std::remove(file.c_str());
    if (f.endByDone) continue;
    // The block is reusable: the next piece opens a new transfer, which succeeds.
    if (f.call) rt.*f.call = S_OK;
    EXPECT_TRUE(SaveFrame(instance, dib, file.c_str())) << f.what;
    EXPECT_TRUE(pi().piLocalProcessDataEnd(0, instance.handle())) << f.what;
    EXPECT_TRUE(testsupport::FileExists(file)) << f.what;
    std::remove(file.c_str());
  }
}

TEST_F(ExportCalls, RefusedRecordsAreNeverWrittenFrom) {
  const std::vector<BYTE> dib = NumberedDib(320, 240, 0);
  {
    // Refused before a transfer: the copy is kept for the host to read, no save uses it.
    TestInstance instance;
    HostFormat deep = WorkedExampleRecord();
    deep.bitmap.biBitCount = 32;
    HostFormat fast = WorkedExampleRecord();
    fast.wave.nSamplesPerSec = 48000;
    EXPECT_FALSE(SetFormat(instance, deep));
    EXPECT_FALSE(SaveFrame(instance, NumberedDib(320, 240, 0)));
    EXPECT_EQ(32, instance.Fields().format.bitmap.biBitCount);
    EXPECT_FALSE(SetFormat(instance, fast));
    EXPECT_FALSE(SaveFrame(instance, dib));
    EXPECT_FALSE(SaveAudio(instance, std::vector<BYTE>(400)));
    EXPECT_EQ(0, fake::Get().writersCreated);
    ASSERT_TRUE(SetFormat(instance, WorkedExampleRecord()));
    EXPECT_TRUE(SaveFrame(instance, dib));
  }
  // While a file is open, a record that would change the pieces' formats is refused
  // and the file keeps the record it was begun with; one that fits is taken.
  struct Change {
    const char *what;
    void (*change)(HostFormat &);
    bool taken;
  };
  const Change changes[] = {
      {"smaller frames", [](HostFormat &f) { f.bitmap.biWidth = 160; }, false},
      {"taller frames", [](HostFormat &f) { f.bitmap.biHeight = 480; }, false},
      {"32-bit frames", [](HostFormat &f) { f.bitmap.biBitCount = 32; }, false},
      {"a smaller image size", [](HostFormat &f) { f.bitmap.biSizeImage = 230400 - 4; }, false},
      {"another sample rate", [](HostFormat &f) { f.wave.nSamplesPerSec = 22050; }, false},
      {"mono sound", [](HostFormat &f) { f.wave.nChannels = 1, f.wave.nBlockAlign = 2; }, false},
      {"no sound", [](HostFormat &f) { f.flags = kHostFormatVideo; }, false},
      {"a refused record", [](HostFormat &f) { f.frameCount = 0; }, false},
      {"the image size given", [](HostFormat &f) { f.bitmap.biSizeImage = 230400; }, true},
      {"a larger image size, of the same rows", [](HostFormat &f) { f.bitmap.biSizeImage = 230400 + 4; }, true},
      {"another frame rate and length", [](HostFormat &f) { f.frameRate = 25000, f.frameCount = 9; }, true},
  };
  for (const Change &c : changes) {
    fake::Reset();
    TestInstance instance;
    ASSERT_TRUE(SetFormat(instance, WorkedExampleRecord()));
    ASSERT_TRUE(SaveFrame(instance, dib));
    HostFormat next = WorkedExampleRecord();
    c.change(next);
    EXPECT_EQ(c.taken ? TRUE : FALSE, SetFormat(instance, next)) << c.what;
    HostFormat kept = instance.Fields().format;
    EXPECT_EQ(c.taken ? next.frameRate : 30000, kept.frameRate) << c.what;
    EXPECT_EQ(320, kept.bitmap.biWidth) << c.what;
    EXPECT_EQ(44100u, kept.wave.nSamplesPerSec) << c.what;
    EXPECT_TRUE(SaveFrame(instance, dib)) << c.what;
    EXPECT_EQ(230400u, fake::Get().written.back().bytes.size()) << c.what;
  }
}

TEST_F(ExportCalls, AFrameNumberPastTheLargestIsAFailedSave) {
  ASSERT_TRUE(SetFormat(instance, WorkedExampleRecord()));
  ASSERT_TRUE(pi().piLocalLength(0, instance.handle(), 0x7FFFFFFF));
  const std::vector<BYTE> dib = NumberedDib(320, 240, 0);
  ASSERT_TRUE(SaveFrame(instance, dib));
  EXPECT_EQ(715827882333333u, fake::Get().written.back().time);
  EXPECT_FALSE(SaveFrame(instance, dib)) << "frame 2^31 has no 32-bit number";
  EXPECT_EQ(1u, fake::Get().written.size());
  ASSERT_TRUE(pi().piLocalLength(0, instance.handle(), 5));
  EXPECT_TRUE(SaveFrame(instance, dib)) << "a new position stamps again";
}

}  // namespace
