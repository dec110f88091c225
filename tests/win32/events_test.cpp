// Events as the import's waiting caller uses them; the same program runs against the
// Linux stand-in and against Windows (under wine64).
#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "win32.h"

namespace {

TEST(Events, AutoResetLetsOneWaitThroughManualResetStaysSetAndClosedHandlesAreRefused) {
  HANDLE automatic = CreateEventA(nullptr, FALSE, FALSE, nullptr);
  ASSERT_NE(automatic, nullptr);
  EXPECT_EQ(WaitForSingleObject(automatic, 0), WAIT_TIMEOUT);
  EXPECT_TRUE(SetEvent(automatic));
  EXPECT_TRUE(SetEvent(automatic));  // signals do not add up
  EXPECT_EQ(WaitForSingleObject(automatic, 0), WAIT_OBJECT_0);
  EXPECT_EQ(WaitForSingleObject(automatic, 20), WAIT_TIMEOUT) << "the wait must consume the signal";
  EXPECT_TRUE(SetEvent(automatic));
  EXPECT_TRUE(ResetEvent(automatic));
  EXPECT_EQ(WaitForSingleObject(automatic, 0), WAIT_TIMEOUT);

  // A waiter blocked on the event wakes when another thread sets it.
  auto start = std::chrono::steady_clock::now();
  std::thread setter([automatic] {
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    SetEvent(automatic);
  });
  EXPECT_EQ(WaitForSingleObject(automatic, 10000), WAIT_OBJECT_0);
  setter.join();
  double waited = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  EXPECT_GE(waited, 0.04);
  EXPECT_LT(waited, 5.0);

  HANDLE manual = CreateEventA(nullptr, TRUE, TRUE, nullptr);
  ASSERT_NE(manual, nullptr);
  EXPECT_EQ(WaitForSingleObject(manual, 0), WAIT_OBJECT_0);
  EXPECT_EQ(WaitForSingleObject(manual, INFINITE), WAIT_OBJECT_0) << "a manual-reset event stays set";
  EXPECT_TRUE(ResetEvent(manual));
  EXPECT_EQ(WaitForSingleObject(manual, 0), WAIT_TIMEOUT);

  EXPECT_TRUE(CloseHandle(manual));
  EXPECT_TRUE(CloseHandle(automatic));
  SetLastError(0);
  EXPECT_FALSE(SetEvent(automatic));
  EXPECT_EQ(GetLastError(), (DWORD)ERROR_INVALID_HANDLE);
  EXPECT_EQ(WaitForSingleObject(automatic, 0), WAIT_FAILED);
}

}  // namespace
