// Damaged and foreign files: the open still reports, every start ends, nothing crashes.
#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <iterator>

#include "reader_harness.h"

using namespace wmf_fixtures;

namespace {

// Plays the whole file and a few starts the way the import asks for frames; each
// start must end in a stop or the end of the file.
void PlayEverywhere(OpenedReader &opened) {
  DWORD outputs = 0;
  ASSERT_EQ(opened.reader->GetOutputCount(&outputs), S_OK);
  ASSERT_EQ(opened.reader->Start(0, 0, 1.0f, nullptr), S_OK);
  ASSERT_TRUE(opened.callback->WaitFor(WMT_EOF)) << "a full play never ended";
  const int eofs = opened.callback->Count(WMT_EOF);
  int stops = 0, ends = 0;
  for (QWORD start : {QWORD(50000000), QWORD(10000000), QWORD(0), QWORD(90000000), QWORD(200000000)}) {
    ReaderEvent sample;
    FirstSampleAt(opened, start, 0, &sample);  // a sample may or may not come
    const std::vector<ReaderEvent> run = opened.callback->LastRun();
    ASSERT_FALSE(run.empty());
    ASSERT_FALSE(run.back().sample) << "start " << start << " never ended";
    stops += run.back().status == WMT_STOPPED;
    ends += run.back().status == WMT_EOF;
  }
  EXPECT_EQ(stops + ends, 5);
  EXPECT_EQ(opened.callback->Count(WMT_EOF), eofs + ends);
}

void ExpectOpenFails(const std::string &path) {
  OpenedReader opened;
  ASSERT_TRUE(OpenAndWait(path, &opened));
  EXPECT_LT(opened.openHr, 0);  // reported by WMT_OPENED, not by Open
  DWORD count = 0;
  EXPECT_NE(opened.reader->GetOutputCount(&count), S_OK);
  IWMOutputMediaProps *props = nullptr;
  EXPECT_NE(opened.reader->GetOutputProps(0, &props), S_OK);
  EXPECT_EQ(props, nullptr);
  IWMHeaderInfo *header = nullptr;
  ASSERT_EQ(opened.reader->QueryInterface(IID_IWMHeaderInfo, reinterpret_cast<void **>(&header)), S_OK);
  WORD stream = 0, length = 8;
  WMT_ATTR_DATATYPE type = WMT_TYPE_DWORD;
  QWORD duration = 0;
  EXPECT_NE(header->GetAttributeByName(&stream, u"Duration", &type, reinterpret_cast<BYTE *>(&duration), &length),
            S_OK);
  EXPECT_EQ(header->Release(), 1u);
  EXPECT_NE(opened.reader->Start(0, 0, 1.0f, nullptr), S_OK);
  EXPECT_EQ(opened.reader->Close(), S_OK);
  opened.Finish();
}

}  // namespace

class ReaderDamaged : public ReaderTest {};

TEST_F(ReaderDamaged, ZeroLengthFileReportsAFailedOpen) { ExpectOpenFails(FixturePath(Fixture::ZeroLength)); }

TEST_F(ReaderDamaged, NonAsfFileReportsAFailedOpen) { ExpectOpenFails(FixturePath(Fixture::NotAsf)); }

TEST_F(ReaderDamaged, TruncatedFilePlaysWhatItHolds) {
  ASSERT_TRUE(OpenAndWait(FixturePath(Fixture::Truncated), &opened));
  ASSERT_EQ(opened.openHr, S_OK);  // the header is whole
  PlayEverywhere(opened);
  // The first part of the file is there to see.
  int video = 0;
  for (const ReaderEvent &e : opened.callback->Events()) video += e.sample && e.output == 0;
  EXPECT_GT(video, 60);
}

TEST_F(ReaderDamaged, CorruptedFileNeverHangs) {
  ASSERT_TRUE(OpenAndWait(FixturePath(Fixture::Corrupted), &opened));
  if (opened.openHr == S_OK) PlayEverywhere(opened);
}

TEST_F(ReaderDamaged, ManyDamagedVariantsNeverHangOrCrash) {
  const std::string whole = FixturePath(Fixture::Wmv2WithAudio);
  ASSERT_FALSE(whole.empty());
  std::ifstream in(whole, std::ios::binary);
  const std::vector<char> original((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  ASSERT_GT(original.size(), 20000u);
  const std::string path = FixtureFolder() + "/variant-" + std::to_string(getpid()) + ".wmv";
  uint32_t seed = 99;
  auto next = [&seed] { return seed = seed * 1664525u + 1013904223u; };
  // QV_READER_DAMAGED_VARIANTS makes a longer run by hand (under ASan, say).
  const char *wanted = std::getenv("QV_READER_DAMAGED_VARIANTS");
  const int variants = wanted ? std::max(1, std::atoi(wanted)) : 16;
  for (int variant = 0; variant < variants; ++variant) {
    std::vector<char> bytes = original;
    // Header damage in some variants, packet damage in all, cuts in some.
    const size_t from = variant % 4 == 0 ? 16 : 5000;
    for (int hits = 0; hits < 40; ++hits) bytes[from + next() % (bytes.size() - from)] = static_cast<char>(next());
    if (variant % 3 == 0) bytes.resize(from + next() % (bytes.size() - from));
    std::ofstream(path, std::ios::binary).write(bytes.data(), static_cast<std::streamsize>(bytes.size()));

    OpenedReader opened;
    ASSERT_TRUE(OpenAndWait(path, &opened)) << "variant " << variant;
    if (opened.openHr == S_OK) PlayEverywhere(opened);
    opened.Finish();
  }
  std::remove(path.c_str());
}
