// A runtime that never reports: requests give up after the time-out instead of
// hanging the host.
#include <gtest/gtest.h>

#include <chrono>
#include <ctime>

#include "import_harness.h"

using namespace importtest;

namespace {

TEST(StallTest, SilentReadersTimeOutAndAreReleased) {
  if (PlatformRuntime()) GTEST_SKIP() << "only the project's own runtime can be told to stay silent";
  HGLOBAL instance = Pi().piLocalInit(0, 0);
  ASSERT_TRUE(instance != nullptr);
  std::string clip = Clip("av.wmv");
  {
    ScopedEnv stall("QV_WMF_READER_STALL", "1");
    ScopedEnv timeout("QV_IMPORT_TIMEOUT_MS", "300");
    auto start = std::chrono::steady_clock::now();
    std::clock_t cpuStart = std::clock();
    EXPECT_EQ(Pi().piLocalLoadData(0, instance, 0, clip.c_str()), 0);
    EXPECT_EQ(RequestFrame(instance, 3, clip), 0);
    double cpuSeconds = double(std::clock() - cpuStart) / CLOCKS_PER_SEC;
    double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    EXPECT_LT(seconds, 15.0) << "the short time-out was not used";
    EXPECT_LT(cpuSeconds, 0.25 * seconds) << "waiting on a silent reader must not keep a core busy";
    InstanceBlock *block = Block(instance);
    EXPECT_TRUE(block->reader == nullptr);
    EXPECT_TRUE(block->readerCallback == nullptr);
    EXPECT_EQ(block->transferOpen, 0);
  }
  // A runtime that answers again serves the next request.
  EXPECT_EQ(RequestFrame(instance, 3, clip), 1);
  Pi().piLocalProcessDataEnd(0, instance);
  Pi().piLocalDone(0, instance);
}

}  // namespace
