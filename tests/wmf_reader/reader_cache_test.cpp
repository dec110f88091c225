// Pictures the reader keeps and hands out again are the same, byte for byte, as a
// play through the file gives them, whatever order a host asks for them in.
#include <cstdlib>
#include <random>

#include "reader_harness.h"

using namespace wmf_fixtures;

TEST(ReaderCache, EveryOrderGivesTheSequentialPictures) {
  const std::string path = FixturePath(Fixture::Wmv1Video);  // a key frame every 12 frames
  std::vector<std::vector<BYTE>> sequential;
  std::vector<QWORD> times;
  {
    OpenedReader opened;
    ASSERT_TRUE(OpenAndWait(path, &opened));
    opened.callback->keepBytes = true;
    ASSERT_EQ(opened.reader->Start(0, 0, 1.0f, nullptr), S_OK);
    ASSERT_TRUE(opened.callback->WaitFor(WMT_EOF));
    for (const ReaderEvent &e : opened.callback->LastRun())
      if (e.sample) sequential.push_back(e.bytes), times.push_back(e.time);
    opened.Finish();
  }
  ASSERT_EQ(sequential.size(), 300u);

  std::vector<int> reverse, random, forwards;
  for (int n = 150; n >= 0; --n) reverse.push_back(n);
  std::mt19937 generator(7);
  for (int i = 0, at = 200; i < 120; ++i) {
    // Jumps within a few key-frame intervals and across the file.
    at = i % 10 == 0 ? static_cast<int>(generator() % 300) : at + static_cast<int>(generator() % 31) - 15;
    random.push_back(at < 0 ? 0 : at > 299 ? 299 : at);
  }
  // To the end of the file: reading frame after frame, two decoders share the key-frame
  // intervals, and the second one's pictures must be the same.
  for (int n = 0; n < 300; ++n) forwards.push_back(n);

  // The default budget, and one of a few pictures that keeps evicting.
  for (const char *megabytes : {"", "1"}) {
    SCOPED_TRACE(std::string("QV_WMF_READER_CACHE_MB=") + megabytes);
    setenv("QV_WMF_READER_CACHE_MB", megabytes, 1);
    OpenedReader opened;
    ASSERT_TRUE(OpenAndWait(path, &opened));
    unsetenv("QV_WMF_READER_CACHE_MB");
    for (const std::vector<int> *order : {&reverse, &random, &forwards}) {
      for (int n : *order) {
        ReaderEvent sample;
        ASSERT_TRUE(FirstSampleAt(opened, FrameTime(n, 30), 0, &sample)) << n;
        ASSERT_TRUE(sample.bytes == sequential[n]) << "frame " << n;
        ASSERT_EQ(sample.time, times[n]) << "frame " << n;
      }
    }
    opened.Finish();
  }
}
