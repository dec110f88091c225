// IWMWriter at the interface level: each result and output parameter, the inputs a
// profile gives, which formats an input takes, calls out of order and damaged
// samples, and the files that small writes leave behind.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>

#include "files.h"
#include "writer_support.h"

using namespace writer_test;

namespace {

constexpr DWORD kFirstVideoProfile = 0;   // audio input 0, video input 1
constexpr DWORD kCdAudioProfile = 23;     // audio only
constexpr DWORD kBroadbandProfile = 13;

std::string Probe(const std::string &path, const std::string &entries) {
  return RunCommand("ffprobe -v error -count_frames -show_entries " + entries + " -of default=nw=1 '" + path + "'");
}

TEST(Writer, CreationAndInterfaces) {
  EXPECT_EQ(E_POINTER, WMCreateWriterPriv(nullptr));
  ComPtr<IWMWriter> writer;
  ASSERT_EQ(S_OK, WMCreateWriterPriv(writer.Put()));
  ASSERT_TRUE(writer);
  ComPtr<IUnknown> unknown;
  EXPECT_EQ(S_OK, writer->QueryInterface(IID_IUnknown, reinterpret_cast<void **>(unknown.Put())));
  EXPECT_EQ(static_cast<void *>(writer.Get()), static_cast<void *>(unknown.Get()));
  EXPECT_EQ(1u, ReleaseNow(unknown));
  IWMReader *reader = reinterpret_cast<IWMReader *>(0x1);
  EXPECT_EQ(E_NOINTERFACE, writer->QueryInterface(IID_IWMReader, reinterpret_cast<void **>(&reader)));
  EXPECT_EQ(nullptr, reader);
  EXPECT_EQ(0u, ReleaseNow(writer));
}

TEST(Writer, RefusesWorkBeforeItIsConfigured) {
  ComPtr<IWMWriter> writer;
  ASSERT_EQ(S_OK, WMCreateWriterPriv(writer.Put()));
  DWORD count = 7;
  EXPECT_EQ(NS_E_INVALID_REQUEST, writer->GetInputCount(&count));
  EXPECT_EQ(0u, count);
  EXPECT_EQ(E_POINTER, writer->GetInputCount(nullptr));
  IWMInputMediaProps *props = reinterpret_cast<IWMInputMediaProps *>(0x1);
  EXPECT_EQ(E_INVALIDARG, writer->GetInputProps(0, &props));
  EXPECT_EQ(nullptr, props);
  EXPECT_EQ(NS_E_NOT_CONFIGURED, writer->BeginWriting());
  EXPECT_EQ(NS_E_INVALID_REQUEST, writer->EndWriting());
  EXPECT_EQ(NS_E_INVALID_REQUEST, writer->Flush());
  ComPtr<INSSBuffer> sample;
  ASSERT_EQ(S_OK, writer->AllocateSample(16, sample.Put()));
  EXPECT_EQ(NS_E_INVALID_REQUEST, writer->WriteSample(0, 0, 0, sample.Get()));
  EXPECT_EQ(E_POINTER, writer->WriteSample(0, 0, 0, nullptr));
  EXPECT_EQ(0u, ReleaseNow(sample));

  EXPECT_EQ(E_POINTER, writer->SetProfile(nullptr));
  EXPECT_EQ(E_POINTER, writer->SetOutputFilename(nullptr));
  EXPECT_EQ(E_INVALIDARG, writer->SetOutputFilename(u""));
  const WCHAR unpaired[] = {u'a', 0xD800, u'b', 0};
  EXPECT_EQ(E_INVALIDARG, writer->SetOutputFilename(unpaired));
  EXPECT_EQ(E_NOTIMPL, writer->SetProfileByID(IID_IWMWriter));

  // A profile without a file name is not enough either.
  ComPtr<IWMProfileManager> manager;
  ASSERT_EQ(S_OK, WMCreateProfileManager(manager.Put()));
  ComPtr<IWMProfile> profile;
  ASSERT_EQ(S_OK, manager->LoadSystemProfile(kFirstVideoProfile, profile.Put()));
  EXPECT_EQ(S_OK, writer->SetProfile(profile.Get()));
  EXPECT_EQ(NS_E_NOT_CONFIGURED, writer->BeginWriting());
  // A profile with no streams gives no inputs.
  ComPtr<IWMProfile> empty;
  ASSERT_EQ(S_OK, manager->CreateEmptyProfile(WMT_VER_7_0, empty.Put()));
  EXPECT_EQ(NS_E_INVALID_OUTPUT_FORMAT, writer->SetProfile(empty.Get()));
  EXPECT_EQ(S_OK, writer->GetInputCount(&count));
  EXPECT_EQ(2u, count);  // the earlier profile stays
  EXPECT_EQ(0u, ReleaseNow(empty));
  EXPECT_EQ(0u, ReleaseNow(profile));
  EXPECT_EQ(0u, ReleaseNow(manager));
  EXPECT_EQ(0u, ReleaseNow(writer));
}

TEST(Writer, InputsFollowTheProfileStreams) {
  ComPtr<IWMWriter> writer = CreateWriter(kFirstVideoProfile, TempPath("unused.wmv"));
  ASSERT_TRUE(writer);
  DWORD count = 0;
  ASSERT_EQ(S_OK, writer->GetInputCount(&count));
  ASSERT_EQ(2u, count);

  ComPtr<IWMInputMediaProps> audio, video;
  ASSERT_EQ(S_OK, writer->GetInputProps(0, audio.Put()));
  ASSERT_EQ(S_OK, writer->GetInputProps(1, video.Put()));
  GUID type{};
  EXPECT_EQ(S_OK, audio->GetType(&type));
  EXPECT_TRUE(type == WMMEDIATYPE_Audio);
  EXPECT_EQ(S_OK, video->GetType(&type));
  EXPECT_TRUE(type == WMMEDIATYPE_Video);
  EXPECT_EQ(E_POINTER, video->GetType(nullptr));
  IWMInputMediaProps *none = reinterpret_cast<IWMInputMediaProps *>(0x1);
  EXPECT_EQ(E_INVALIDARG, writer->GetInputProps(2, &none));
  EXPECT_EQ(nullptr, none);

  // The video input's type in two steps, then too small a buffer.
  DWORD size = 0;
  EXPECT_EQ(S_OK, video->GetMediaType(nullptr, &size));
  EXPECT_EQ(sizeof(WM_MEDIA_TYPE) + sizeof(VIDEOINFOHEADER), size);
  std::vector<BYTE> block(size);
  auto *media = reinterpret_cast<WM_MEDIA_TYPE *>(block.data());
  DWORD small = size - 1;
  EXPECT_EQ(ASF_E_BUFFERTOOSMALL, video->GetMediaType(media, &small));
  EXPECT_EQ(size, small);
  ASSERT_EQ(S_OK, video->GetMediaType(media, &size));
  EXPECT_TRUE(media->majortype == WMMEDIATYPE_Video);
  EXPECT_TRUE(media->subtype == WMMEDIASUBTYPE_RGB24);
  EXPECT_TRUE(media->formattype == WMFORMAT_VideoInfo);
  ASSERT_EQ(sizeof(VIDEOINFOHEADER), media->cbFormat);
  EXPECT_EQ(block.data() + sizeof(WM_MEDIA_TYPE), media->pbFormat);
  const auto *info = reinterpret_cast<const VIDEOINFOHEADER *>(media->pbFormat);
  EXPECT_EQ(320, info->bmiHeader.biWidth);
  EXPECT_EQ(240, info->bmiHeader.biHeight);
  EXPECT_EQ(24, info->bmiHeader.biBitCount);
  EXPECT_EQ(333333, info->AvgTimePerFrame);

  WORD length = 0;
  EXPECT_EQ(S_OK, audio->GetConnectionName(nullptr, &length));
  EXPECT_EQ(6u, length);
  WCHAR name[6];
  EXPECT_EQ(S_OK, audio->GetConnectionName(name, &length));
  EXPECT_EQ(std::u16string(u"Audio"), std::u16string(name));

  DWORD formats = 0;
  EXPECT_EQ(S_OK, writer->GetInputFormatCount(1, &formats));
  EXPECT_EQ(1u, formats);
  ComPtr<IWMInputMediaProps> format;
  EXPECT_EQ(E_INVALIDARG, writer->GetInputFormat(1, 1, format.Put()));
  EXPECT_EQ(nullptr, format.Get());
  ASSERT_EQ(S_OK, writer->GetInputFormat(0, 0, format.Put()));
  EXPECT_EQ(S_OK, format->GetType(&type));
  EXPECT_TRUE(type == WMMEDIATYPE_Audio);
  EXPECT_EQ(0u, ReleaseNow(format));

  EXPECT_EQ(0u, ReleaseNow(audio));
  EXPECT_EQ(0u, ReleaseNow(video));
  EXPECT_EQ(0u, ReleaseNow(writer));

  writer.Reset(CreateWriter(kCdAudioProfile, TempPath("unused.wma")).Detach());
  ASSERT_TRUE(writer);
  ASSERT_EQ(S_OK, writer->GetInputCount(&count));
  EXPECT_EQ(1u, count);
  EXPECT_EQ(0u, ReleaseNow(writer));
}

// Which formats an input takes; a refused format leaves the input as it was.
TEST(Writer, InputFormatsItTakesAndRefuses) {
  ComPtr<IWMWriter> writer = CreateWriter(kFirstVideoProfile, TempPath("unused.wmv"));
  ASSERT_TRUE(writer);
  OwnedType odd = VideoType(101, 75);
  EXPECT_EQ(S_OK, DeclareInput(writer, WMMEDIATYPE_Video, odd));
  OwnedType topDown = VideoType(64, -48);
  EXPECT_EQ(S_OK, DeclareInput(writer, WMMEDIATYPE_Video, topDown));
  for (DWORD rate : {11025u, 22050u, 44100u})
    for (WORD channels : {1, 2})
      for (WORD bits : {8, 16}) {
        OwnedType audio = AudioType(rate, channels, bits);
        EXPECT_EQ(S_OK, DeclareInput(writer, WMMEDIATYPE_Audio, audio)) << rate << " " << channels << " " << bits;
      }

  auto refusedVideo = [&](void (*spoil)(OwnedType &)) {
    OwnedType t = VideoType(320, 240);
    spoil(t);
    return DeclareInput(writer, WMMEDIATYPE_Video, t);
  };
  auto header = [](OwnedType &t) { return &reinterpret_cast<VIDEOINFOHEADER *>(t.format.data())->bmiHeader; };
  EXPECT_EQ(NS_E_INVALID_INPUT_FORMAT, refusedVideo([](OwnedType &t) { t.type.subtype = WMMEDIASUBTYPE_RGB32; }));
  EXPECT_EQ(NS_E_INVALID_INPUT_FORMAT, refusedVideo([](OwnedType &t) { t.type.formattype = WMFORMAT_WaveFormatEx; }));
  EXPECT_EQ(NS_E_INVALID_INPUT_FORMAT, refusedVideo([](OwnedType &t) { t.format.resize(60); }));
  static decltype(header) h = header;
  EXPECT_EQ(NS_E_INVALID_INPUT_FORMAT, refusedVideo([](OwnedType &t) { h(t)->biBitCount = 32; }));
  EXPECT_EQ(NS_E_INVALID_INPUT_FORMAT, refusedVideo([](OwnedType &t) { h(t)->biCompression = BI_RLE8; }));
  EXPECT_EQ(NS_E_INVALID_INPUT_FORMAT, refusedVideo([](OwnedType &t) { h(t)->biWidth = 0; }));
  EXPECT_EQ(NS_E_INVALID_INPUT_FORMAT, refusedVideo([](OwnedType &t) { h(t)->biWidth = -320; }));
  EXPECT_EQ(NS_E_INVALID_INPUT_FORMAT, refusedVideo([](OwnedType &t) { h(t)->biHeight = 0; }));
  EXPECT_EQ(NS_E_INVALID_INPUT_FORMAT, refusedVideo([](OwnedType &t) { h(t)->biWidth = 100000; }));
  OwnedType audioOnVideo = AudioType(44100, 2, 16);
  ComPtr<IWMInputMediaProps> props;
  ASSERT_EQ(S_OK, writer->GetInputProps(1, props.Put()));
  EXPECT_EQ(S_OK, props->SetMediaType(audioOnVideo.Get()));
  EXPECT_EQ(NS_E_INVALID_INPUT_FORMAT, writer->SetInputProps(1, props.Get()));
  EXPECT_EQ(E_POINTER, writer->SetInputProps(1, nullptr));
  EXPECT_EQ(E_INVALIDARG, writer->SetInputProps(9, props.Get()));
  EXPECT_EQ(0u, ReleaseNow(props));

  for (auto spoil : {+[](WAVEFORMATEX &w) { w.nSamplesPerSec = 48000; }, +[](WAVEFORMATEX &w) { w.nSamplesPerSec = 8000; },
                     +[](WAVEFORMATEX &w) { w.nChannels = 3; }, +[](WAVEFORMATEX &w) { w.nChannels = 0; },
                     +[](WAVEFORMATEX &w) { w.wBitsPerSample = 24; }, +[](WAVEFORMATEX &w) { w.wFormatTag = 3; }}) {
    OwnedType t = AudioType(22050, 1, 8);
    spoil(*reinterpret_cast<WAVEFORMATEX *>(t.format.data()));
    EXPECT_EQ(NS_E_INVALID_INPUT_FORMAT, DeclareInput(writer, WMMEDIATYPE_Audio, t));
  }

  // The inputs keep the last formats they took: 64 x -48 video, 16-bit stereo audio.
  ASSERT_EQ(S_OK, writer->GetInputProps(1, props.Put()));
  DWORD size = 0;
  ASSERT_EQ(S_OK, props->GetMediaType(nullptr, &size));
  std::vector<BYTE> block(size);
  auto *media = reinterpret_cast<WM_MEDIA_TYPE *>(block.data());
  ASSERT_EQ(S_OK, props->GetMediaType(media, &size));
  EXPECT_EQ(-48, reinterpret_cast<VIDEOINFOHEADER *>(media->pbFormat)->bmiHeader.biHeight);
  EXPECT_EQ(0u, ReleaseNow(props));
  EXPECT_EQ(0u, ReleaseNow(writer));
}

// Calls out of order, damaged samples: each is refused and the file still comes out
// whole, holding every frame that was taken.
TEST(Writer, WrongOrderAndDamagedSamplesFailCleanly) {
  const std::string path = TempPath("abuse.wmv");
  ComPtr<IWMWriter> writer = CreateWriter(kBroadbandProfile, path);
  ASSERT_TRUE(writer);
  OwnedType video = VideoType(160, 120), audio = AudioType(44100, 2, 16);
  DWORD videoInput = 0, audioInput = 0;
  ASSERT_EQ(S_OK, DeclareInput(writer, WMMEDIATYPE_Video, video, &videoInput));
  ASSERT_EQ(S_OK, DeclareInput(writer, WMMEDIATYPE_Audio, audio, &audioInput));
  ASSERT_EQ(S_OK, writer->BeginWriting());
  EXPECT_EQ(NS_E_INVALID_REQUEST, writer->BeginWriting());

  ComPtr<IWMProfileManager> manager;
  ASSERT_EQ(S_OK, WMCreateProfileManager(manager.Put()));
  ComPtr<IWMProfile> profile;
  ASSERT_EQ(S_OK, manager->LoadSystemProfile(0, profile.Put()));
  EXPECT_EQ(NS_E_INVALID_REQUEST, writer->SetProfile(profile.Get()));
  EXPECT_EQ(0u, ReleaseNow(profile));
  EXPECT_EQ(0u, ReleaseNow(manager));
  EXPECT_EQ(NS_E_INVALID_REQUEST, writer->SetOutputFilename(u"/tmp/other.wmv"));
  EXPECT_EQ(NS_E_INVALID_REQUEST, DeclareInput(writer, WMMEDIATYPE_Video, video));

  const std::vector<BYTE> frame = PatternDibRows(0, 160, 120);
  EXPECT_EQ(E_INVALIDARG, WriteBytes(writer, videoInput, 0, frame.data(), static_cast<DWORD>(frame.size() - 1)));
  EXPECT_EQ(E_INVALIDARG, WriteBytes(writer, videoInput, 0, frame.data(), 0));
  EXPECT_EQ(E_INVALIDARG, WriteBytes(writer, 7, 0, frame));
  EXPECT_EQ(E_INVALIDARG, WriteBytes(writer, videoInput, ~0ull, frame));
  // Audio: a partial sample frame is ignored, an empty piece is harmless.
  const std::vector<BYTE> tone = ToneChunk(0, 4410, 44100);
  EXPECT_EQ(S_OK, WriteBytes(writer, audioInput, 0, tone.data(), 3));
  EXPECT_EQ(S_OK, WriteBytes(writer, audioInput, 0, tone.data(), 0));
  EXPECT_EQ(E_INVALIDARG, WriteBytes(writer, audioInput, 1ull << 62, tone));
  EXPECT_EQ(S_OK, WritePatternFrames(writer, videoInput, 0, 12, 160, 120));
  // A bigger buffer than the frame needs is fine: the frame is its first bytes.
  std::vector<BYTE> larger = PatternDibRows(12, 160, 120);
  larger.resize(larger.size() + 100);
  EXPECT_EQ(S_OK, WriteBytes(writer, videoInput, 12 * 333333ull, larger));
  EXPECT_EQ(S_OK, WriteBytes(writer, audioInput, 0, tone));
  // The writer may hold a sample while it encodes it, and lets it go by the end.
  ComPtr<INSSBuffer> kept;
  BYTE *buffer = nullptr;
  DWORD length = 0;
  ASSERT_EQ(S_OK, writer->AllocateSample(static_cast<DWORD>(frame.size()), kept.Put()));
  ASSERT_EQ(S_OK, kept->GetBufferAndLength(&buffer, &length));
  std::memcpy(buffer, frame.data(), frame.size());
  ASSERT_EQ(S_OK, kept->SetLength(static_cast<DWORD>(frame.size())));
  EXPECT_EQ(S_OK, writer->WriteSample(videoInput, 13 * 333333ull, 0, kept.Get()));
  EXPECT_EQ(S_OK, writer->Flush());
  EXPECT_EQ(S_OK, writer->EndWriting());
  EXPECT_EQ(0u, ReleaseNow(kept));
  EXPECT_EQ(NS_E_INVALID_REQUEST, writer->EndWriting());
  EXPECT_EQ(NS_E_INVALID_REQUEST, WriteBytes(writer, videoInput, 0, frame));
  EXPECT_EQ(0u, ReleaseNow(writer));

  const std::string probe = Probe(path, "stream=codec_type,nb_read_frames");
  EXPECT_NE(std::string::npos, probe.find("codec_type=video\nnb_read_frames=14")) << probe;
}

TEST(Writer, UnwritablePathFailsAndTheWriterRecovers) {
  ComPtr<IWMWriter> writer = CreateWriter(kFirstVideoProfile, "/nonexistent-folder/out.wmv");
  ASSERT_TRUE(writer);
  EXPECT_EQ(NS_E_FILE_OPEN_FAILED, writer->BeginWriting());
  EXPECT_EQ(NS_E_INVALID_REQUEST, writer->EndWriting());
  const std::string path = TempPath("recovered.wmv");
  const std::u16string name(path.begin(), path.end());
  EXPECT_EQ(S_OK, writer->SetOutputFilename(name.c_str()));
  EXPECT_EQ(S_OK, writer->BeginWriting());
  EXPECT_EQ(S_OK, writer->EndWriting());
  EXPECT_EQ(0u, ReleaseNow(writer));
  EXPECT_NE(std::string::npos, Probe(path, "stream=codec_type").find("codec_type=video"));
}

// Sample memory is used again only once every holder has let go of its buffer, and a
// reused block never widens the maximum length a buffer was asked with.
TEST(Writer, SampleMemoryIsReusedOnlyWhenLetGo) {
  ComPtr<IWMWriter> writer = CreateWriter(kFirstVideoProfile, TempPath("pool.wmv"));
  ASSERT_TRUE(writer);
  ComPtr<INSSBuffer> first, second;
  BYTE *firstBytes = nullptr, *secondBytes = nullptr;
  ASSERT_EQ(S_OK, writer->AllocateSample(1000, first.Put()));
  ASSERT_EQ(S_OK, first->GetBuffer(&firstBytes));
  INSSBuffer *held = first.Get();
  held->AddRef();  // a second holder, as the queue while it encodes the sample
  EXPECT_EQ(1u, ReleaseNow(first));
  ASSERT_EQ(S_OK, writer->AllocateSample(900, second.Put()));
  ASSERT_EQ(S_OK, second->GetBuffer(&secondBytes));
  EXPECT_NE(firstBytes, secondBytes);
  EXPECT_EQ(0u, held->Release());
  EXPECT_EQ(0u, ReleaseNow(second));

  ASSERT_EQ(S_OK, writer->AllocateSample(800, first.Put()));
  ASSERT_EQ(S_OK, first->GetBuffer(&firstBytes));
  EXPECT_EQ(secondBytes, firstBytes);  // the closest size kept
  DWORD most = 0;
  ASSERT_EQ(S_OK, first->GetMaxLength(&most));
  EXPECT_EQ(800u, most);
  EXPECT_EQ(E_INVALIDARG, first->SetLength(900));
  EXPECT_EQ(0u, ReleaseNow(first));
  EXPECT_EQ(0u, ReleaseNow(writer));
}

// A writer released while it writes still ends its file: nothing written is lost.
TEST(Writer, ReleaseWhileWritingFinishesTheFile) {
  const std::string path = TempPath("released.wmv");
  OwnedType video = VideoType(96, 64);
  DWORD input = 0;
  ComPtr<IWMWriter> writer = CreateVideoWriter(kFirstVideoProfile, path, video, &input);
  ASSERT_TRUE(writer);
  ASSERT_EQ(S_OK, writer->BeginWriting());
  ASSERT_EQ(S_OK, WritePatternFrames(writer, input, 0, 15, 96, 64));
  EXPECT_EQ(0u, ReleaseNow(writer));
  EXPECT_NE(std::string::npos, Probe(path, "stream=codec_type,nb_read_frames").find("video\nnb_read_frames=15"));
}

// Odd sizes are encoded one column and row larger, the last ones repeated; rows
// given top-down come out the same way up as rows given bottom-up.
TEST(Writer, OddAndTopDownPicturesKeepTheirContent) {
  for (LONG height : {75, -75}) {
    SCOPED_TRACE(height);
    const std::string path = TempPath(height > 0 ? "odd.wmv" : "topdown.wmv");
    OwnedType video = VideoType(101, height);
    DWORD input = 0;
    ComPtr<IWMWriter> writer = CreateVideoWriter(kBroadbandProfile, path, video, &input);
    ASSERT_TRUE(writer);
    ASSERT_EQ(S_OK, writer->BeginWriting());
    std::vector<BYTE> image = PatternDibRows(5, 101, 75);  // bottom-up
    if (height < 0) {
      std::vector<BYTE> flipped(image.size());
      for (LONG row = 0; row < 75; ++row)
        std::memcpy(&flipped[row * StrideOf(101)], &image[(74 - row) * StrideOf(101)], StrideOf(101));
      image.swap(flipped);
    }
    for (int i = 0; i < 3; ++i)
      ASSERT_EQ(S_OK, WriteBytes(writer, input, i * 333333ull, image));
    ASSERT_EQ(S_OK, writer->EndWriting());
    EXPECT_EQ(0u, ReleaseNow(writer));

    // The file keeps the picture's own size; the codec's padding is cropped on reading.
    EXPECT_NE(std::string::npos, Probe(path, "stream=width,height").find("width=101\nheight=75"));
    const std::vector<BYTE> decoded = RunCommandBinary("ffmpeg -v error -i '" + path +
                                                "' -frames:v 1 -vf format=bgr24,vflip -f rawvideo -pix_fmt bgr24 -");
    ASSERT_EQ(101u * 75 * 3, decoded.size());
    const std::vector<BYTE> source = PatternDibRows(5, 101, 75);
    std::vector<BYTE> packed(decoded.size());
    for (LONG row = 0; row < 75; ++row) std::memcpy(&packed[row * 303], &source[row * StrideOf(101)], 303);
    EXPECT_GE(Psnr(packed.data(), decoded.data(), packed.size()), 30.0);
  }
}

TEST(Writer, AudioOnlyProfileWritesSound) {
  const std::string path = TempPath("voice.wma");
  ComPtr<IWMWriter> writer = CreateWriter(kCdAudioProfile, path);
  ASSERT_TRUE(writer);
  OwnedType audio = AudioType(22050, 1, 8);
  ASSERT_EQ(S_OK, DeclareInput(writer, WMMEDIATYPE_Audio, audio));
  ASSERT_EQ(S_OK, writer->BeginWriting());
  std::vector<BYTE> pcm(22050 * 2);  // 2 s of 8-bit mono, a square wave
  for (size_t i = 0; i < pcm.size(); ++i) pcm[i] = (i / 50) % 2 ? 200 : 56;
  // The first second in small pieces, the second in one piece.
  for (size_t at = 0; at < 22050; at += 2205)
    ASSERT_EQ(S_OK, WriteBytes(writer, 0, at * 10000000ull / 22050, &pcm[at], 2205));
  ASSERT_EQ(S_OK, WriteBytes(writer, 0, 10000000, &pcm[22050], 22050));
  ASSERT_EQ(S_OK, writer->EndWriting());
  EXPECT_EQ(0u, ReleaseNow(writer));
  const std::string probe = Probe(path, "stream=codec_name,sample_rate,channels,duration");
  EXPECT_NE(std::string::npos, probe.find("codec_name=wmav2\nsample_rate=22050\nchannels=1\nduration=2.0")) << probe;
}

// A gap in the sound's times is kept as silence, so that what follows it still
// plays at its own time.
TEST(Writer, SoundAfterAGapKeepsItsTime) {
  const std::string path = TempPath("gap.wma");
  ComPtr<IWMWriter> writer = CreateWriter(kCdAudioProfile, path);
  ASSERT_TRUE(writer);
  OwnedType audio = AudioType(44100, 2, 16);
  ASSERT_EQ(S_OK, DeclareInput(writer, WMMEDIATYPE_Audio, audio));
  ASSERT_EQ(S_OK, writer->BeginWriting());
  for (long long first : {0ll, 88200ll}) {  // 0 to 1 s, then 2 to 3 s
    for (long long s = first; s < first + 44100; s += 4410) {
      const std::vector<BYTE> chunk = ToneChunk(s, 4410, 44100);
      ASSERT_EQ(S_OK, WriteBytes(writer, 0, s * 10000000 / 44100, chunk));
    }
  }
  ASSERT_EQ(S_OK, writer->EndWriting());
  EXPECT_EQ(0u, ReleaseNow(writer));

  const std::vector<BYTE> pcm = RunCommandBinary("ffmpeg -v error -i '" + path + "' -f s16le -ac 2 -");
  ASSERT_GE(pcm.size() / 4, 3u * 44100);
  auto left = [&](long long i) {
    short s;
    std::memcpy(&s, &pcm[i * 4], 2);
    return s;
  };
  double silence = 0, error = 0;
  for (long long i = 50000; i < 80000; ++i) silence += std::abs(left(i));
  for (long long i = 100000; i < 120000; ++i) error += std::abs(left(i) - ToneSample(i, 0, 44100));
  EXPECT_LT(silence / 30000, 50.0);  // near silence between the pieces
  EXPECT_LT(error / 20000, 400.0);   // the tone at its own time after the gap
}

// Streams far out of step (all the video, then the sound from the start) still make
// a file: what falls beyond the sync tolerance is dropped, never handed to the muxer
// out of time order (which aborts the process).
TEST(Writer, StreamsFarOutOfStepStillMakeAFile) {
  const std::string path = TempPath("out-of-step.wmv");
  ComPtr<IWMWriter> writer = CreateWriter(kFirstVideoProfile, path);
  ASSERT_TRUE(writer);
  OwnedType video = VideoType(64, 48), audio = AudioType(22050, 1, 16);
  DWORD videoInput = 0, audioInput = 0;
  ASSERT_EQ(S_OK, DeclareInput(writer, WMMEDIATYPE_Video, video, &videoInput));
  ASSERT_EQ(S_OK, DeclareInput(writer, WMMEDIATYPE_Audio, audio, &audioInput));
  ASSERT_EQ(S_OK, writer->BeginWriting());
  ASSERT_EQ(S_OK, WritePatternFrames(writer, videoInput, 0, 150, 64, 48));
  const std::vector<BYTE> tenth(2205 * 2, 0);
  for (int i = 0; i < 50; ++i) ASSERT_EQ(S_OK, WriteBytes(writer, audioInput, i * 1000000ull, tenth));
  ASSERT_EQ(S_OK, writer->EndWriting());
  EXPECT_EQ(0u, ReleaseNow(writer));
  const std::string probe = Probe(path, "stream=codec_type,nb_read_frames");
  EXPECT_NE(std::string::npos, probe.find("codec_type=video\nnb_read_frames=150")) << probe;
  EXPECT_EQ(std::string::npos, probe.find("codec_type=audio\nnb_read_frames=0")) << probe;
}

// Frames with the same or earlier times are not dropped: each takes the next slot.
TEST(Writer, FramesWithRepeatedTimesAreAllKept) {
  const std::string path = TempPath("repeated.wmv");
  OwnedType video = VideoType(64, 48);
  DWORD input = 0;
  ComPtr<IWMWriter> writer = CreateVideoWriter(kFirstVideoProfile, path, video, &input);
  ASSERT_TRUE(writer);
  ASSERT_EQ(S_OK, writer->BeginWriting());
  for (int i = 0; i < 5; ++i) {
    const std::vector<BYTE> image = PatternDibRows(i, 64, 48);
    ASSERT_EQ(S_OK, WriteBytes(writer, input, 0, image));
  }
  ASSERT_EQ(S_OK, writer->EndWriting());
  EXPECT_EQ(0u, ReleaseNow(writer));
  EXPECT_NE(std::string::npos, Probe(path, "stream=nb_read_frames").find("nb_read_frames=5"));
}

// After EndWriting the same writer writes a second file.
TEST(Writer, BeginsAgainAfterEnding) {
  OwnedType video = VideoType(64, 48);
  DWORD input = 0;
  ComPtr<IWMWriter> writer = CreateVideoWriter(kFirstVideoProfile, TempPath("first.wmv"), video, &input);
  ASSERT_TRUE(writer);
  const std::vector<BYTE> image = PatternDibRows(0, 64, 48);
  for (const char *name : {"first.wmv", "second.wmv"}) {
    const std::string path = TempPath(name);
    const std::u16string wide(path.begin(), path.end());
    ASSERT_EQ(S_OK, writer->SetOutputFilename(wide.c_str()));
    ASSERT_EQ(S_OK, writer->BeginWriting());
    ASSERT_EQ(S_OK, WriteBytes(writer, input, 0, image));
    ASSERT_EQ(S_OK, writer->EndWriting());
    EXPECT_TRUE(testsupport::FileExists(path));
    EXPECT_NE(std::string::npos, Probe(path, "stream=nb_read_frames").find("nb_read_frames=1")) << name;
  }
  EXPECT_EQ(0u, ReleaseNow(writer));
}

// The smallest and largest pictures an input takes are written, or refused at
// BeginWriting, without harm either way.
TEST(Writer, ExtremePictureSizesWriteOrFailCleanly) {
  for (const auto &size : {std::pair<LONG, LONG>{1, 1}, {2, 2}, {17, 3}, {3, -17}, {4096, 16}}) {
    SCOPED_TRACE(std::to_string(size.first) + "x" + std::to_string(size.second));
    const std::string path = TempPath("extreme.wmv");
    OwnedType video = VideoType(size.first, size.second);
    DWORD input = 0;
    ComPtr<IWMWriter> writer = CreateVideoWriter(kFirstVideoProfile, path, video, &input);
    ASSERT_TRUE(writer);
    const HRESULT begun = writer->BeginWriting();
    if (begun == S_OK) {
      const std::vector<BYTE> image(StrideOf(size.first) * std::labs(size.second), 0x80);
      for (int i = 0; i < 3; ++i)
        EXPECT_EQ(S_OK, WriteBytes(writer, input, i * 333333ull, image));
      EXPECT_EQ(S_OK, writer->EndWriting());
      EXPECT_NE(std::string::npos, Probe(path, "stream=nb_read_frames").find("nb_read_frames=3"));
    } else {
      EXPECT_EQ(NS_E_INVALID_INPUT_FORMAT, begun);
      EXPECT_FALSE(testsupport::FileExists(path));  // no half-made file is left behind
    }
    EXPECT_EQ(0u, ReleaseNow(writer));
    std::remove(path.c_str());
  }
}

// Every system profile opens its encoders and writes a file with its streams, from
// the smallest bit rates up.
TEST(Writer, EverySystemProfileWrites) {
  for (DWORD index = 0; index < 24; ++index) {
    SCOPED_TRACE(index);
    const std::string path = TempPath("profile.wmv");
    ComPtr<IWMWriter> writer = CreateWriter(index, path);
    ASSERT_TRUE(writer);
    OwnedType video = VideoType(176, 144), audio = AudioType(11025, 1, 16);
    DWORD videoInput = ~0u, audioInput = ~0u;
    const bool hasVideo = index < 16;
    if (hasVideo) {
      ASSERT_EQ(S_OK, DeclareInput(writer, WMMEDIATYPE_Video, video, &videoInput));
    }
    ASSERT_EQ(S_OK, DeclareInput(writer, WMMEDIATYPE_Audio, audio, &audioInput));
    ASSERT_EQ(S_OK, writer->BeginWriting());
    for (int i = 0; i < 10; ++i) {
      if (hasVideo) {
        const std::vector<BYTE> image = PatternDibRows(i, 176, 144);
        ASSERT_EQ(S_OK, WriteBytes(writer, videoInput, i * 333333ull, image));
      }
      std::vector<BYTE> pcm(735 * 2, 0);  // 1/15 s of mono silence
      ASSERT_EQ(S_OK, WriteBytes(writer, audioInput, i * 666666ull, pcm));
    }
    ASSERT_EQ(S_OK, writer->EndWriting());
    EXPECT_EQ(0u, ReleaseNow(writer));
    const std::string probe = Probe(path, "stream=codec_name,nb_read_frames");
    EXPECT_NE(std::string::npos, probe.find("codec_name=wmav2")) << probe;
    EXPECT_EQ(hasVideo, probe.find("codec_name=wmv1\nnb_read_frames=10") != std::string::npos) << probe;
  }
}

}  // namespace
