// "Duration" is the length the file's header declares (its play duration less the
// preroll), as the platform reports it, whatever the packets after it hold: a file cut
// short, or one whose last packet ends before or after that length.
#include "reader_harness.h"

using namespace wmf_fixtures;

namespace {

struct Played {
  int number;
  QWORD time;
  QWORD duration;
};

// The frames a whole play from the start delivers on output 0.
std::vector<Played> PlayedFrames(OpenedReader &opened, const std::vector<BYTE> &type) {
  std::vector<Played> frames;
  opened.callback->SetOnSample([&](const ReaderEvent &e) {
    if (e.output == 0) frames.push_back({ReadFrameNumber(PictureOf(e, type)), e.time, e.duration});
  });
  opened.callback->keepBytes = true;
  EXPECT_EQ(opened.reader->Start(0, 0, 1.0f, nullptr), S_OK);
  EXPECT_TRUE(opened.callback->WaitFor(WMT_EOF));
  opened.callback->SetOnSample(nullptr);
  opened.callback->keepBytes = false;
  return frames;
}

}  // namespace

TEST(ReaderDuration, TheHeaderDeclaresTheLengthWhateverThePacketsHold) {
  struct Case {
    Fixture fixture;
    QWORD duration;  // 0: none declared, the end of the data serves
    int lastFrame;   // the last frame the data holds; -1: found by playing
  };
  // The clip's video starts 46 ms late (the muxer shifts it by the sound's priming):
  // its header says 10.046 s.
  const Case cases[] = {
      {Fixture::Wmv2WithAudio, 100460000, 299},
      {Fixture::Truncated, 100460000, -1},        // the header is whole, the data cut short
      {Fixture::LongHeader, 120000000, 299},      // the data ends before the declared length
      {Fixture::ShortHeader, 80000000, 299},      // and after it: every frame still plays
      {Fixture::Broadcast, 0, 299},               // no length declared
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(static_cast<int>(c.fixture));
    OpenedReader opened;
    ASSERT_TRUE(OpenAndWait(FixturePath(c.fixture), &opened));
    ASSERT_EQ(opened.openHr, S_OK);
    HRESULT hr = E_FAIL;
    const QWORD duration = ReadDuration(opened.reader, &hr);
    EXPECT_EQ(hr, S_OK);
    if (c.duration) {
      EXPECT_EQ(duration, c.duration);
    } else {  // the end of the last packet: 10 s, and the audio's last block at most
      EXPECT_GE(duration, 100000000u);
      EXPECT_LE(duration, 100500000u);
    }

    const std::vector<BYTE> type = OutputMediaType(opened.reader, 0);
    ASSERT_FALSE(type.empty());
    const std::vector<Played> played = PlayedFrames(opened, type);
    ASSERT_FALSE(played.empty());
    const int last = static_cast<int>(played.size()) - 1;
    if (c.lastFrame >= 0) {
      EXPECT_EQ(played.back().number, c.lastFrame);
    } else {
      EXPECT_GT(last, 60);
    }

    // The frames the data holds come back exact, up to the last one.
    for (int n : {0, last / 2, last - 1, last}) {
      ReaderEvent sample;
      ASSERT_TRUE(FirstSampleAt(opened, played[n].time, 0, &sample)) << n;
      EXPECT_EQ(ReadFrameNumber(PictureOf(sample, type)), played[n].number);
    }
    // Past the data the start ends with the file and no picture (the import then
    // keeps its last good frame).
    ReaderEvent sample;
    EXPECT_FALSE(FirstSampleAt(opened, played.back().time + played.back().duration + FrameTime(1, 30), 0, &sample));
    const std::vector<ReaderEvent> run = opened.callback->LastRun();
    ASSERT_FALSE(run.empty());
    EXPECT_EQ(run.back().status, WMT_EOF);
    opened.Finish();
  }
}
