// Playing: event order, every frame in order and of good quality, frame-exact starts,
// Stop from inside the callback, Start while running, the end of the file.
#include <algorithm>
#include <map>
#include <memory>

#include "reader_harness.h"

using namespace wmf_fixtures;

namespace {

constexpr QWORD kHalfMillisecond = 5000;

// Checks the order of a whole run: STARTED first, the samples, then one ending.
void ExpectRunShape(const std::vector<ReaderEvent> &run, WMT_STATUS lastStatus, void *context) {
  ASSERT_FALSE(run.empty());
  EXPECT_FALSE(run.front().sample);
  EXPECT_EQ(run.front().status, WMT_STARTED);
  EXPECT_EQ(run.front().context, context);
  ASSERT_FALSE(run.back().sample);
  EXPECT_EQ(run.back().status, lastStatus);
  EXPECT_EQ(run.back().context, context);
  const size_t statuses = lastStatus == WMT_EOF ? 3 : 2;  // EOF comes after END_OF_STREAMING
  if (lastStatus == WMT_EOF) {
    ASSERT_GE(run.size(), 3u);
    EXPECT_EQ(run[run.size() - 2].status, WMT_END_OF_STREAMING);
    EXPECT_FALSE(run[run.size() - 2].sample);
  }
  for (size_t i = 1; i + statuses - 1 < run.size(); ++i) {
    EXPECT_TRUE(run[i].sample) << "event " << i << " status " << run[i].status;
    EXPECT_EQ(run[i].context, context);
  }
}

class ReaderPlayback : public ReaderTest {};

}  // namespace

TEST_F(ReaderPlayback, SequentialPlayDeliversEveryFrameInOrder) {
  ASSERT_TRUE(OpenAndWait(FixturePath(Fixture::Wmv1Video), &opened));
  const std::vector<BYTE> type = OutputMediaType(opened.reader, 0);
  ASSERT_FALSE(type.empty());

  std::vector<int> numbers;
  double worstPsnr = 99;
  opened.callback->SetOnSample([&](const ReaderEvent &e) {
    ASSERT_EQ(e.length, 960u * 240u);
    const wmf_fixtures::Picture picture = PictureOf(e, type);
    const int n = ReadFrameNumber(picture);
    numbers.push_back(n);
    if (n >= 0 && n % 10 == 0) worstPsnr = std::min(worstPsnr, Psnr(picture, PatternFrame(n, 320, 240)));
  });
  int context = 0;
  ASSERT_EQ(opened.reader->Start(0, 0, 1.0f, &context), S_OK);
  ASSERT_TRUE(opened.callback->WaitFor(WMT_EOF));
  const std::vector<ReaderEvent> run = opened.callback->LastRun();
  ExpectRunShape(run, WMT_EOF, &context);

  ASSERT_EQ(numbers.size(), 300u);
  for (int n = 0; n < 300; ++n) EXPECT_EQ(numbers[n], n);
  EXPECT_GE(worstPsnr, 30.0);
  QWORD previous = 0;
  int frame = 0;
  for (const ReaderEvent &e : run) {
    if (!e.sample) continue;
    EXPECT_EQ(e.output, 0u);
    EXPECT_GE(e.time, previous);
    // Stored in whole milliseconds: within half a millisecond of the frame's time.
    EXPECT_LE(e.time, FrameTime(frame, 30) + kHalfMillisecond);
    EXPECT_GE(e.time + kHalfMillisecond, FrameTime(frame, 30));
    EXPECT_GT(e.duration, 0u);
    previous = e.time;
    ++frame;
  }
}

TEST_F(ReaderPlayback, VideoAndAudioArriveInTimeOrderPerOutput) {
  ASSERT_TRUE(OpenAndWait(FixturePath(Fixture::Wmv2WithAudio), &opened));
  int context = 0;
  ASSERT_EQ(opened.reader->Start(0, 0, 1.0f, &context), S_OK);
  ASSERT_TRUE(opened.callback->WaitFor(WMT_EOF));
  const std::vector<ReaderEvent> run = opened.callback->LastRun();
  ExpectRunShape(run, WMT_EOF, &context);

  std::map<DWORD, QWORD> last;
  int video = 0;
  QWORD audioSamples = 0;
  QWORD audioEnd = 0;
  for (const ReaderEvent &e : run) {
    if (!e.sample) continue;
    ASSERT_LT(e.output, 2u);
    if (last.count(e.output)) {
      EXPECT_GE(e.time, last[e.output]);
    }
    last[e.output] = e.time;
    if (e.output == 0) {
      EXPECT_EQ(e.length, 960u * 240u);
      ++video;
    } else {
      ASSERT_EQ(e.length % 4, 0u);
      audioSamples += e.length / 4;
      // Each block follows on from the one before, and its duration is its length.
      if (audioEnd) {
        EXPECT_NEAR(static_cast<double>(e.time), static_cast<double>(audioEnd), 10000.0);
      }
      EXPECT_NEAR(static_cast<double>(e.duration), e.length / 4 * 1e7 / 44100, 1.0);
      audioEnd = e.time + e.duration;
    }
  }
  EXPECT_EQ(video, 300);
  // Ten seconds of tone, give or take the coder's last block.
  EXPECT_NEAR(static_cast<double>(audioSamples), 441000.0, 4096.0);
}

TEST_F(ReaderPlayback, StartFindsTheFrameShownAtThatTime) {
  ASSERT_TRUE(OpenAndWait(FixturePath(Fixture::Wmv1Video), &opened));
  const std::vector<BYTE> type = OutputMediaType(opened.reader, 0);
  // Out of order, so that each start seeks; around key frames (every 12) and the ends.
  for (int n : {150, 0, 299, 13, 1, 2, 149, 11, 12, 100, 31, 29, 30, 151, 298, 3, 250, 24}) {
    ReaderEvent sample;
    ASSERT_TRUE(FirstSampleAt(opened, FrameTime(n, 30), 0, &sample)) << "position " << n;
    EXPECT_EQ(ReadFrameNumber(PictureOf(sample, type)), n) << "position " << n;
    EXPECT_LE(sample.time, FrameTime(n, 30) + kHalfMillisecond);
    EXPECT_GE(sample.time + kHalfMillisecond, FrameTime(n, 30));
  }
  // A time inside a frame's interval finds that frame.
  ReaderEvent sample;
  ASSERT_TRUE(FirstSampleAt(opened, FrameTime(40, 30) + 200000, 0, &sample));
  EXPECT_EQ(ReadFrameNumber(PictureOf(sample, type)), 40);
}

TEST_F(ReaderPlayback, StartFindsFramesOfA25FpsClip) {
  ASSERT_TRUE(OpenAndWait(FixturePath(Fixture::Video25), &opened));
  const std::vector<BYTE> type = OutputMediaType(opened.reader, 0);
  for (int n : {49, 0, 7, 24, 25, 26, 13, 48, 1}) {
    ReaderEvent sample;
    ASSERT_TRUE(FirstSampleAt(opened, FrameTime(n, 25), 0, &sample)) << "position " << n;
    EXPECT_EQ(ReadFrameNumber(PictureOf(sample, type)), n) << "position " << n;
  }
}

TEST_F(ReaderPlayback, FrameAfterASeekEqualsTheSequentialOne) {
  ASSERT_TRUE(OpenAndWait(FixturePath(Fixture::Wmv2WithAudio), &opened));
  const std::vector<int> positions = {5, 37, 120, 121, 200, 299};
  std::map<QWORD, std::vector<BYTE>> sequential;  // by sample time
  opened.callback->SetOnSample([&](const ReaderEvent &e) {
    if (e.output == 0) sequential[e.time] = e.bytes;
  });
  ASSERT_EQ(opened.reader->Start(0, 0, 1.0f, nullptr), S_OK);
  ASSERT_TRUE(opened.callback->WaitFor(WMT_EOF));
  opened.callback->SetOnSample(nullptr);
  ASSERT_EQ(sequential.size(), 300u);

  for (auto it = positions.rbegin(); it != positions.rend(); ++it) {
    ReaderEvent sample;
    ASSERT_TRUE(FirstSampleAt(opened, FrameTime(*it, 30), 0, &sample));
    ASSERT_TRUE(sequential.count(sample.time)) << "position " << *it;
    EXPECT_TRUE(sequential[sample.time] == sample.bytes) << "position " << *it;
    // The frame shown at that time of the file (video starts after the audio's priming).
    auto shown = sequential.upper_bound(FrameTime(*it, 30) + kHalfMillisecond);
    if (shown != sequential.begin()) --shown;
    EXPECT_EQ(sample.time, shown->first) << "position " << *it;
  }
}

TEST_F(ReaderPlayback, RequestsLikeTheImportEachEndInOneStop) {
  ASSERT_TRUE(OpenAndWait(FixturePath(Fixture::Wmv2WithAudio), &opened));
  const std::vector<BYTE> type = OutputMediaType(opened.reader, 0);
  // Sequential positions keep decoding; every start still ends in exactly one stop.
  for (int n = 0; n < 40; ++n) {
    ReaderEvent sample;
    ASSERT_TRUE(FirstSampleAt(opened, FrameTime(n, 30), 0, &sample)) << "position " << n;
    const std::vector<ReaderEvent> run = opened.callback->LastRun();
    ExpectRunShape(run, WMT_STOPPED, nullptr);
    int videoSamples = 0;
    for (const ReaderEvent &e : run) videoSamples += e.sample && e.output == 0;
    EXPECT_EQ(videoSamples, 1) << "no sample after Stop";
    // Video starts 46 ms late in this file (the audio coder's priming): the frame
    // shown at the position's time comes a little earlier in the pattern.
    const double shownAt = (static_cast<double>(FrameTime(n, 30)) - 460000 + 5000) / (1e7 / 30);
    const int expected = shownAt < 0 ? 0 : static_cast<int>(shownAt);
    EXPECT_EQ(ReadFrameNumber(PictureOf(sample, type)), expected) << "position " << n;
  }
  EXPECT_EQ(opened.callback->Count(WMT_STARTED), 40);
  EXPECT_EQ(opened.callback->Count(WMT_STOPPED), 40);
  EXPECT_EQ(opened.callback->Count(WMT_EOF), 0);
}

TEST_F(ReaderPlayback, StopFromTheCallbackIsReportedAfterItReturns) {
  ASSERT_TRUE(OpenAndWait(FixturePath(Fixture::Wmv1Video), &opened));
  std::atomic<bool> stopReturned{false};
  std::atomic<bool> stoppedEarly{false};
  std::atomic<int> samplesAfterStop{0};
  opened.callback->SetOnSample([&](const ReaderEvent &) {
    if (stopReturned) {
      ++samplesAfterStop;
      return;
    }
    EXPECT_EQ(opened.reader->Stop(), S_OK);
    stopReturned = true;
  });
  opened.callback->SetOnStatus([&](const ReaderEvent &e) {
    if (e.status == WMT_STOPPED && !stopReturned) stoppedEarly = true;
  });
  int context = 0;
  ASSERT_EQ(opened.reader->Start(FrameTime(60, 30), 0, 1.0f, &context), S_OK);
  ASSERT_TRUE(opened.callback->WaitFor(WMT_STOPPED));
  std::this_thread::sleep_for(std::chrono::milliseconds(100));
  EXPECT_FALSE(stoppedEarly);
  EXPECT_EQ(samplesAfterStop, 0);
  ExpectRunShape(opened.callback->LastRun(), WMT_STOPPED, &context);
  EXPECT_EQ(opened.callback->Count(WMT_STOPPED), 1);
}

TEST_F(ReaderPlayback, StopFromAnotherThreadAndWhenIdle) {
  ASSERT_TRUE(OpenAndWait(FixturePath(Fixture::Wmv2WithAudio), &opened));
  // A slow receiver, so that the stop arrives while samples still flow.
  opened.callback->SetOnSample(
      [](const ReaderEvent &) { std::this_thread::sleep_for(std::chrono::milliseconds(5)); });
  int context = 0;
  ASSERT_EQ(opened.reader->Start(0, 0, 1.0f, &context), S_OK);
  std::this_thread::sleep_for(std::chrono::milliseconds(50));
  EXPECT_EQ(opened.reader->Stop(), S_OK);
  ASSERT_TRUE(opened.callback->WaitFor(WMT_STOPPED));
  std::this_thread::sleep_for(std::chrono::milliseconds(50));
  ExpectRunShape(opened.callback->LastRun(), WMT_STOPPED, &context);
  EXPECT_EQ(opened.callback->Count(WMT_EOF), 0);

  // Stopped already: Stop still answers with a stop event.
  EXPECT_EQ(opened.reader->Stop(), S_OK);
  EXPECT_TRUE(opened.callback->WaitFor(WMT_STOPPED, 2));
}

TEST_F(ReaderPlayback, StartWhileRunningActsAsASeek) {
  ASSERT_TRUE(OpenAndWait(FixturePath(Fixture::Wmv1Video), &opened));
  const std::vector<BYTE> type = OutputMediaType(opened.reader, 0);
  int first = 0, second = 0;
  std::atomic<int> samples{0};
  std::atomic<int> frameAfterSeek{-2};
  std::atomic<bool> reseeked{false};
  opened.callback->SetOnSample([&](const ReaderEvent &e) {
    if (++samples == 3) {
      EXPECT_EQ(opened.reader->Start(FrameTime(200, 30), 0, 1.0f, &second), S_OK);
      reseeked = true;
    } else if (e.context == &second && frameAfterSeek == -2) {
      frameAfterSeek = ReadFrameNumber(PictureOf(e, type));
      opened.reader->Stop();
    }
  });
  ASSERT_EQ(opened.reader->Start(0, 0, 1.0f, &first), S_OK);
  ASSERT_TRUE(opened.callback->WaitFor(WMT_STOPPED));
  std::this_thread::sleep_for(std::chrono::milliseconds(50));
  EXPECT_EQ(frameAfterSeek, 200);
  EXPECT_EQ(opened.callback->Count(WMT_STARTED), 2);
  EXPECT_EQ(opened.callback->Count(WMT_STOPPED), 1);  // the first start's run gave way
  EXPECT_EQ(opened.callback->Count(WMT_EOF), 0);
  ExpectRunShape(opened.callback->LastRun(), WMT_STOPPED, &second);
}

TEST_F(ReaderPlayback, StartPastTheLastFrameEndsWithoutASample) {
  ASSERT_TRUE(OpenAndWait(FixturePath(Fixture::Wmv1Video), &opened));
  const std::vector<BYTE> type = OutputMediaType(opened.reader, 0);
  ReaderEvent sample;
  ASSERT_TRUE(FirstSampleAt(opened, FrameTime(299, 30), 0, &sample));
  EXPECT_EQ(ReadFrameNumber(PictureOf(sample, type)), 299);

  for (QWORD start : {FrameTime(300, 30), FrameTime(400, 30), QWORD(1) << 62}) {
    EXPECT_FALSE(FirstSampleAt(opened, start, 0, &sample));
    ExpectRunShape(opened.callback->LastRun(), WMT_EOF, nullptr);
  }
  // The reader still plays after reaching the end.
  ASSERT_TRUE(FirstSampleAt(opened, FrameTime(298, 30), 0, &sample));
  EXPECT_EQ(ReadFrameNumber(PictureOf(sample, type)), 298);
}

TEST_F(ReaderPlayback, StartWithADurationPlaysOnlyThatStretch) {
  ASSERT_TRUE(OpenAndWait(FixturePath(Fixture::Wmv2WithAudio), &opened));
  const QWORD start = FrameTime(90, 30), length = 10000000;
  ASSERT_EQ(opened.reader->Start(start, length, 1.0f, nullptr), S_OK);
  ASSERT_TRUE(opened.callback->WaitFor(WMT_EOF));
  const std::vector<ReaderEvent> run = opened.callback->LastRun();
  ExpectRunShape(run, WMT_EOF, nullptr);
  int video = 0;
  for (const ReaderEvent &e : run) {
    if (!e.sample) continue;
    EXPECT_LT(e.time, start + length);
    EXPECT_GT(e.time + e.duration + kHalfMillisecond, start);
    video += e.output == 0;
  }
  EXPECT_NEAR(video, 30, 1);
}

TEST_F(ReaderPlayback, AudioStartsWithTheBlockPlayingAtTheStart) {
  ASSERT_TRUE(OpenAndWait(FixturePath(Fixture::AudioOnly), &opened));
  // The coder's first blocks prime it: sound starts a little after 0.
  ReaderEvent first;
  ASSERT_TRUE(FirstSampleAt(opened, 0, 0, &first));
  EXPECT_LT(first.time, 1000000u);
  for (QWORD start : {QWORD(15000000), QWORD(0), QWORD(5000000), QWORD(25000000), QWORD(1500000)}) {
    ReaderEvent sample;
    ASSERT_TRUE(FirstSampleAt(opened, start, 0, &sample));
    EXPECT_LE(sample.time, std::max(start, first.time));
    EXPECT_GT(sample.time + sample.duration, start);
    EXPECT_EQ(sample.length % 4, 0u);
    EXPECT_NEAR(static_cast<double>(sample.duration), sample.length / 4 * 1e7 / 44100, 1.0);
  }
}

TEST_F(ReaderPlayback, CloseEndsDeliveryFromAnyThread) {
  // From the test's thread while samples flow.
  ASSERT_TRUE(OpenAndWait(FixturePath(Fixture::Wmv2WithAudio), &opened));
  ASSERT_EQ(opened.reader->Start(0, 0, 1.0f, nullptr), S_OK);
  std::this_thread::sleep_for(std::chrono::milliseconds(20));
  EXPECT_EQ(opened.reader->Close(), S_OK);
  const size_t events = opened.callback->Events().size();
  std::this_thread::sleep_for(std::chrono::milliseconds(50));
  EXPECT_EQ(opened.callback->Events().size(), events);  // nothing after Close returned
  EXPECT_EQ(opened.callback->Count(WMT_CLOSED), 1);
  opened.Finish();

  // From inside the callback: Close cannot wait for its own thread.
  OpenedReader inside;
  ASSERT_TRUE(OpenAndWait(FixturePath(Fixture::Wmv1Video), &inside));
  std::atomic<int> calls{0};
  inside.callback->SetOnSample([&](const ReaderEvent &) {
    if (++calls == 1) {
      EXPECT_EQ(inside.reader->Close(), S_OK);
    }
  });
  ASSERT_EQ(inside.reader->Start(0, 0, 1.0f, nullptr), S_OK);
  ASSERT_TRUE(inside.callback->WaitFor(WMT_CLOSED));
  EXPECT_EQ(calls, 1);
  EXPECT_EQ(inside.reader->Release(), 0u);
  inside.reader = nullptr;
  // The delivery thread lets go of the callback as it ends.
  for (int i = 0; i < 200; ++i) {
    inside.callback->AddRef();
    if (inside.callback->Release() == 1) break;
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  inside.callback->SetOnSample(nullptr);
  inside.Finish();
}
