// A file with two video streams whose key frames fall at different times: the index
// leads a seek to one stream's key frame only, yet every start must give each video
// output the frame shown at that time, then all its frames to the end.
#include <map>
#include <mutex>
#include <vector>

#include "reader_harness.h"

using namespace wmf_fixtures;

namespace {

constexpr int kFrames = 60;
constexpr DWORD kImageBytes[2] = {320 * 240 * 3, 256 * 192 * 3};

}  // namespace

class ReaderTwoVideo : public ReaderTest {};

TEST_F(ReaderTwoVideo, EveryStartGivesEachOutputItsFrameThenTheRest) {
  ASSERT_TRUE(OpenAndWait(FixturePath(Fixture::TwoVideo), &opened));
  DWORD outputs = 0;
  ASSERT_EQ(opened.reader->GetOutputCount(&outputs), S_OK);
  ASSERT_EQ(outputs, 2u);
  const std::vector<BYTE> types[2] = {OutputMediaType(opened.reader, 0), OutputMediaType(opened.reader, 1)};
  ASSERT_FALSE(types[0].empty());
  ASSERT_FALSE(types[1].empty());

  std::mutex lock;
  std::map<DWORD, std::vector<int>> numbers;  // frame numbers by output, in arrival order
  opened.callback->SetOnSample([&](const ReaderEvent &e) {
    ASSERT_LT(e.output, 2u);
    EXPECT_EQ(e.length, kImageBytes[e.output]) << "output " << e.output;
    const int n = ReadFrameNumber(PictureOf(e, types[e.output]));
    std::lock_guard<std::mutex> hold(lock);
    numbers[e.output].push_back(n);
  });
  // Out of order, so that each start seeks; just after either stream's key frames
  // (every 12 and every 18 frames), on them, and near both ends.
  int eofs = 0;
  for (int start : {57, 45, 20, 0, 36, 59, 13, 24, 50, 1, 30, 19, 37}) {
    {
      std::lock_guard<std::mutex> hold(lock);
      numbers.clear();
    }
    ASSERT_EQ(opened.reader->Start(FrameTime(start, 30), 0, 1.0f, nullptr), S_OK);
    ASSERT_TRUE(opened.callback->WaitFor(WMT_EOF, ++eofs)) << "position " << start;
    std::vector<int> expected;
    for (int n = start; n < kFrames; ++n) expected.push_back(n);
    std::lock_guard<std::mutex> hold(lock);
    EXPECT_EQ(numbers[0], expected) << "output 0, position " << start;
    EXPECT_EQ(numbers[1], expected) << "output 1, position " << start;
  }
}

TEST_F(ReaderTwoVideo, SequentialStartsFindTheFrameOfEitherOutput) {
  ASSERT_TRUE(OpenAndWait(FixturePath(Fixture::TwoVideo), &opened));
  const std::vector<BYTE> types[2] = {OutputMediaType(opened.reader, 0), OutputMediaType(opened.reader, 1)};
  // Like a host stepping through the file, asking for one output then the other: a
  // seek that lands past the second stream's key frame, then starts that keep decoding.
  for (int n = 31; n < 50; ++n) {
    const DWORD output = (n + 1) % 2;
    ReaderEvent sample;
    ASSERT_TRUE(FirstSampleAt(opened, FrameTime(n, 30), output, &sample)) << "position " << n;
    EXPECT_EQ(sample.length, kImageBytes[output]);
    EXPECT_EQ(ReadFrameNumber(PictureOf(sample, types[output])), n) << "output " << output << ", position " << n;
  }
}
