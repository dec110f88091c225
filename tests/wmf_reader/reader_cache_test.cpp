// Pictures the reader keeps and hands out again are the same, byte for byte, as a
// play through the file gives them, whatever order a host asks for them in, at a
// small size and at 1080p (where the budget holds far fewer pictures).
#include <cstdlib>
#include <functional>
#include <mutex>
#include <random>
#include <string_view>

#include "reader_harness.h"

using namespace wmf_fixtures;

namespace {

// 1080p pictures are too large to keep a file's worth of them.
size_t Digest(const std::vector<BYTE> &bytes) {
  return std::hash<std::string_view>()(std::string_view(reinterpret_cast<const char *>(bytes.data()), bytes.size()));
}

struct CacheCase {
  Fixture fixture;
  int frames;
  int jumps;                // requests of the random order
  const char *smallBudget;  // megabytes: a few pictures, which keep being evicted
};

class ReaderCache : public ::testing::TestWithParam<CacheCase> {};

TEST_P(ReaderCache, EveryOrderGivesTheSequentialPictures) {
  const CacheCase &clip = GetParam();
  const std::string path = FixturePath(clip.fixture);
  std::vector<size_t> sequential;
  std::vector<QWORD> times;
  {
    OpenedReader opened;
    ASSERT_TRUE(OpenAndWait(path, &opened));
    std::mutex lock;
    opened.callback->SetOnSample([&](const ReaderEvent &e) {
      std::lock_guard<std::mutex> hold(lock);
      sequential.push_back(Digest(e.bytes)), times.push_back(e.time);
    });
    ASSERT_EQ(opened.reader->Start(0, 0, 1.0f, nullptr), S_OK);
    ASSERT_TRUE(opened.callback->WaitFor(WMT_EOF));
    opened.callback->SetOnSample(nullptr);
    opened.Finish();
  }
  const int frames = clip.frames;
  ASSERT_EQ(sequential.size(), static_cast<size_t>(frames));

  std::vector<int> reverse, random, forwards;
  for (int n = frames / 2; n >= 0; --n) reverse.push_back(n);
  std::mt19937 generator(7);
  for (int i = 0, at = frames * 2 / 3; i < clip.jumps; ++i) {
    // Jumps within a few key-frame intervals and across the file.
    at = i % 10 == 0 ? static_cast<int>(generator() % frames) : at + static_cast<int>(generator() % 31) - 15;
    random.push_back(at < 0 ? 0 : at >= frames ? frames - 1 : at);
  }
  // To the end of the file: reading frame after frame, two decoders share the key-frame
  // intervals, and the second one's pictures must be the same.
  for (int n = 0; n < frames; ++n) forwards.push_back(n);

  // The default budget, and a small one.
  for (const char *megabytes : {"", clip.smallBudget}) {
    SCOPED_TRACE(std::string("QV_WMF_READER_CACHE_MB=") + megabytes);
    setenv("QV_WMF_READER_CACHE_MB", megabytes, 1);
    OpenedReader opened;
    ASSERT_TRUE(OpenAndWait(path, &opened));
    unsetenv("QV_WMF_READER_CACHE_MB");
    for (const std::vector<int> *order : {&reverse, &random, &forwards}) {
      for (int n : *order) {
        ReaderEvent sample;
        ASSERT_TRUE(FirstSampleAt(opened, FrameTime(n, 30), 0, &sample)) << n;
        opened.callback->Clear();
        ASSERT_EQ(Digest(sample.bytes), sequential[n]) << "frame " << n;
        ASSERT_EQ(sample.time, times[n]) << "frame " << n;
      }
    }
    opened.Finish();
  }
}

INSTANTIATE_TEST_SUITE_P(Sizes, ReaderCache,
                         ::testing::Values(CacheCase{Fixture::Wmv1Video, 300, 120, "1"},  // a key frame every 12
                                           CacheCase{Fixture::HdVideo, 120, 60, "16"}));

}  // namespace
