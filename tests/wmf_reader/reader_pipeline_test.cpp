// The pipeline under the reader: a start just ahead of the last delivered frame keeps
// decoding; anything else seeks, and both find the same frames.
#include <atomic>
#include <chrono>
#include <future>
#include <utility>

#include "reader/reader_frame_cache.h"
#include "reader/reader_pipeline.h"
#include "reader_harness.h"

using namespace wmf_fixtures;

namespace {

int FrameAt(wmf::ReaderPipeline &pipeline, int n, const std::vector<BYTE> &type) {
  pipeline.Begin(FrameTime(n, 30), 0);
  wmf::ReaderSample sample;
  while (pipeline.Next(&sample) == wmf::ReaderPipeline::Step::Sample) {
    if (sample.output != 0) continue;
    ReaderEvent event;
    BYTE *bytes = nullptr;
    sample.buffer->GetBufferAndLength(&bytes, &event.length);
    event.bytes.assign(bytes, bytes + event.length);
    return ReadFrameNumber(PictureOf(event, type));
  }
  return -1;
}

HRESULT OpenClip(std::atomic<bool> *cancel, std::unique_ptr<wmf::ReaderPipeline> *pipeline, size_t cacheBudget = 0) {
  return wmf::ReaderPipeline::Open(FixturePath(Fixture::Wmv1Video), wmf::VideoOutputKind::Rgb24, cancel, pipeline,
                                   cacheBudget);
}

}  // namespace

TEST(ReaderPipeline, SequentialStartsKeepDecoding) {
  std::atomic<bool> cancel{false};
  std::unique_ptr<wmf::ReaderPipeline> pipeline;
  ASSERT_EQ(OpenClip(&cancel, &pipeline), S_OK);
  DWORD size = 0;
  pipeline->OutputType(0).CopyTo(nullptr, &size);
  std::vector<BYTE> type(size);
  ASSERT_EQ(pipeline->OutputType(0).CopyTo(reinterpret_cast<WM_MEDIA_TYPE *>(type.data()), &size), S_OK);

  // A fresh file plays from its start without seeking, and a little further ahead still
  // decodes forward; the same frame again, a step back, or far ahead: seek.
  std::vector<std::pair<int, bool>> starts;  // position, seeks
  for (int n = 0; n < 20; ++n) starts.push_back({n, false});
  starts.insert(starts.end(), {{27, false}, {27, true}, {26, true}, {200, true}, {201, false}});
  for (const auto &start : starts) {
    EXPECT_EQ(FrameAt(*pipeline, start.first, type), start.first);
    EXPECT_EQ(pipeline->LastBeginSeeked(), start.second) << "position " << start.first;
  }
  // After the end of the file a start seeks again.
  EXPECT_EQ(FrameAt(*pipeline, 300, type), -1);
  EXPECT_EQ(FrameAt(*pipeline, 299, type), 299);
  EXPECT_TRUE(pipeline->LastBeginSeeked());
}

TEST(ReaderPipeline, WaitingRequestInterruptsDecoding) {
  std::atomic<bool> cancel{false};
  std::unique_ptr<wmf::ReaderPipeline> pipeline;
  ASSERT_EQ(OpenClip(&cancel, &pipeline), S_OK);
  std::atomic<size_t> pending{1};
  pipeline->Begin(FrameTime(100, 30), 0);
  wmf::ReaderSample sample;
  EXPECT_EQ(pipeline->Next(&sample, &pending), wmf::ReaderPipeline::Step::Interrupted);
  pending = 0;
  EXPECT_EQ(pipeline->Next(&sample, &pending), wmf::ReaderPipeline::Step::Sample);
  EXPECT_EQ(sample.output, 0u);
  EXPECT_LE(sample.time, FrameTime(100, 30) + 5000);
  EXPECT_GE(sample.time + 5000, FrameTime(100, 30));
}

// While a start holds the reading ahead up, the pictures it put in the cache are
// served from there (its decoder has gone past them, and decoding them again would go
// back to the key frame), and a picture it has not decoded yet is not waited for.
TEST(ReaderPipeline, StartsHoldingTheReadingAheadUpTakeWhatItDecoded) {
  std::atomic<bool> cancel{false};
  std::unique_ptr<wmf::ReaderPipeline> pipeline;
  ASSERT_EQ(OpenClip(&cancel, &pipeline, wmf::kSizedBudget), S_OK);
  DWORD size = 0;
  pipeline->OutputType(0).CopyTo(nullptr, &size);
  std::vector<BYTE> type(size);
  ASSERT_EQ(pipeline->OutputType(0).CopyTo(reinterpret_cast<WM_MEDIA_TYPE *>(type.data()), &size), S_OK);
  ASSERT_EQ(FrameAt(*pipeline, 0, type), 0);
  for (int step = 0; step < 3; ++step) ASSERT_TRUE(pipeline->ReadAhead());  // still reading on

  wmf::ReaderSample sample;
  ASSERT_TRUE(pipeline->TakeFromCacheHeld(FrameTime(1, 30), 0, &sample));
  EXPECT_LE(sample.time, FrameTime(1, 30) + 5000);
  EXPECT_GE(sample.time + 5000, FrameTime(1, 30));
  auto later = std::async(std::launch::async, [&] {
    wmf::ReaderSample none;
    return pipeline->TakeFromCacheHeld(FrameTime(8, 30), 0, &none);
  });
  ASSERT_EQ(later.wait_for(std::chrono::seconds(10)), std::future_status::ready) << "waits for a picture that cannot come";
  EXPECT_FALSE(later.get());
}

TEST(ReaderPipeline, CancelledOpenGivesUp) {
  std::atomic<bool> cancel{true};
  std::unique_ptr<wmf::ReaderPipeline> pipeline;
  EXPECT_NE(OpenClip(&cancel, &pipeline), S_OK);
  EXPECT_EQ(pipeline, nullptr);
}
