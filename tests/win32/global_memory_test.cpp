// Global memory as the plug-in and its hosts use it. The same program runs against
// the Linux stand-in and against Windows (under wine64), so the expectations below
// are Windows' own behaviour.
#include <gtest/gtest.h>

#include <atomic>
#include <cstring>
#include <thread>
#include <vector>

#include "win32.h"

namespace {

TEST(GlobalMemory, FixedBlockIsItsOwnHandleAndKeepsNoLockCount) {
  HGLOBAL fixed = GlobalAlloc(GMEM_FIXED | GMEM_ZEROINIT, 468);
  ASSERT_NE(fixed, nullptr);
  EXPECT_EQ(GlobalSize(fixed), 468u);
  BYTE *bytes = static_cast<BYTE *>(GlobalLock(fixed));
  EXPECT_EQ((void *)bytes, (void *)fixed);
  std::vector<BYTE> zeros(468, 0);
  EXPECT_EQ(std::memcmp(bytes, zeros.data(), zeros.size()), 0);
  EXPECT_EQ(GlobalLock(fixed), (void *)fixed);
  EXPECT_EQ(GlobalFlags(fixed) & GMEM_LOCKCOUNT, 0u);
  EXPECT_EQ(GlobalHandle(bytes), fixed);
  EXPECT_EQ(GlobalFree(fixed), nullptr);
}

TEST(GlobalMemory, MovableBlockHasADistinctHandleAndCountsLocks) {
  HGLOBAL movable = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, 100);
  ASSERT_NE(movable, nullptr);
  EXPECT_EQ(GlobalSize(movable), 100u);
  EXPECT_EQ(GlobalFlags(movable) & GMEM_LOCKCOUNT, 0u);

  BYTE *first = static_cast<BYTE *>(GlobalLock(movable));
  ASSERT_NE(first, nullptr);
  EXPECT_NE((void *)first, (void *)movable) << "a movable block's handle is not its address";
  EXPECT_EQ(first[0], 0);
  EXPECT_EQ(first[99], 0);
  BYTE *second = static_cast<BYTE *>(GlobalLock(movable));
  EXPECT_EQ(second, first);
  EXPECT_EQ(GlobalFlags(movable) & GMEM_LOCKCOUNT, 2u);
  EXPECT_EQ(GlobalHandle(first), movable);
  EXPECT_EQ(GlobalSize(movable), 100u);

  EXPECT_TRUE(GlobalUnlock(movable)) << "still locked once";
  SetLastError(12345);
  EXPECT_FALSE(GlobalUnlock(movable));
  EXPECT_EQ(GetLastError(), (DWORD)NO_ERROR) << "unlocked now, which is no error";
  EXPECT_FALSE(GlobalUnlock(movable));
  EXPECT_EQ(GetLastError(), (DWORD)ERROR_NOT_LOCKED);
  EXPECT_EQ(GlobalFree(movable), nullptr);
}

TEST(GlobalMemory, ReallocatingAMovableBlockKeepsHandleAndContents) {
  HGLOBAL movable = GlobalAlloc(GMEM_MOVEABLE, 16);
  ASSERT_NE(movable, nullptr);
  std::memcpy(GlobalLock(movable), "0123456789abcdef", 16);
  GlobalUnlock(movable);
  // To a page, then to the size of a 1080p frame (blocks that large are laid out
  // differently in the stand-in).
  for (SIZE_T size : {SIZE_T(4096), SIZE_T(1920 * 1080 * 3 + 40)}) {
    HGLOBAL grown = GlobalReAlloc(movable, size, GMEM_ZEROINIT);
    ASSERT_EQ(grown, movable);
    EXPECT_EQ(GlobalSize(grown), size);
    const BYTE *bytes = static_cast<const BYTE *>(GlobalLock(grown));
    EXPECT_EQ(std::memcmp(bytes, "0123456789abcdef", 16), 0);
    EXPECT_EQ(bytes[16], 0);
    EXPECT_EQ(bytes[size - 1], 0);
    GlobalUnlock(grown);
  }
  EXPECT_EQ(GlobalFree(movable), nullptr);
}

TEST(GlobalMemory, EmptyMovableBlockHasAHandleButNoMemory) {
  HGLOBAL empty = GlobalAlloc(GMEM_MOVEABLE, 0);
  ASSERT_NE(empty, nullptr);
  EXPECT_EQ(GlobalLock(empty), nullptr);
  EXPECT_EQ(GlobalSize(empty), 0u);
  EXPECT_NE(GlobalFlags(empty) & GMEM_DISCARDED, 0u);
  EXPECT_EQ(GlobalFree(empty), nullptr);
}

// The reader callback locks and frees frame bitmaps on the runtime's threads while
// the host's thread works on its own blocks.
TEST(GlobalMemory, BlocksCanBeUsedFromManyThreadsAtOnce) {
  constexpr int kThreads = 4, kRounds = 2000;
  std::atomic<int> failures{0};
  std::vector<std::thread> threads;
  for (int t = 0; t < kThreads; ++t) {
    threads.emplace_back([t, &failures] {
      for (int round = 0; round < kRounds; ++round) {
        SIZE_T size = 1 + (SIZE_T)((t * 131 + round * 17) % 700);
        HGLOBAL block = GlobalAlloc(round % 2 ? GMEM_MOVEABLE : GMEM_FIXED, size);
        BYTE *bytes = static_cast<BYTE *>(GlobalLock(block));
        if (!bytes) {
          ++failures;
          continue;
        }
        std::memset(bytes, t + 1, size);
        if (GlobalSize(block) != size || GlobalHandle(bytes) != block || bytes[size - 1] != t + 1) ++failures;
        GlobalUnlock(block);
        if (GlobalFree(block) != nullptr) ++failures;
      }
    });
  }
  for (std::thread &thread : threads) thread.join();
  EXPECT_EQ(failures.load(), 0);
}

#ifndef _WIN32
// Where Windows' behaviour is undefined, the stand-in refuses instead of corrupting.
TEST(GlobalMemoryStandIn, ForeignAndFreedHandlesAreRefused) {
  LONG live = Win32GlobalBlockCount();
  HGLOBAL movable = GlobalAlloc(GMEM_MOVEABLE, 8);
  HGLOBAL fixed = GlobalAlloc(GMEM_FIXED, 8);
  EXPECT_EQ(Win32GlobalBlockCount(), live + 2);
  EXPECT_EQ(GlobalFree(movable), nullptr);
  EXPECT_EQ(GlobalFree(fixed), nullptr);
  EXPECT_EQ(Win32GlobalBlockCount(), live);

  EXPECT_EQ(GlobalFree(movable), movable) << "freeing twice fails";
  EXPECT_EQ(GetLastError(), (DWORD)ERROR_INVALID_HANDLE);
  EXPECT_EQ(GlobalFree(fixed), fixed);
  EXPECT_EQ(GlobalLock(movable), nullptr);
  EXPECT_EQ(GlobalSize(movable), 0u);
  EXPECT_EQ(GlobalFlags(movable), (UINT)GMEM_INVALID_HANDLE);
  int onStack = 0;
  EXPECT_EQ(GlobalFree(&onStack), (HGLOBAL)&onStack) << "memory the stand-in never gave out";
  EXPECT_EQ(GlobalHandle(&onStack), nullptr);
  EXPECT_EQ(GlobalFree(nullptr), nullptr);
}

TEST(GlobalMemoryStandIn, InjectedAllocationFailuresStartAfterTheGivenCount) {
  Win32FailGlobalAllocAfter(2);
  HGLOBAL a = GlobalAlloc(GMEM_FIXED, 4), b = GlobalAlloc(GMEM_MOVEABLE, 4);
  EXPECT_NE(a, nullptr);
  EXPECT_NE(b, nullptr);
  EXPECT_EQ(GlobalAlloc(GMEM_FIXED, 4), nullptr);
  EXPECT_EQ(GetLastError(), (DWORD)ERROR_NOT_ENOUGH_MEMORY);
  EXPECT_EQ(GlobalReAlloc(b, 400, 0), nullptr) << "growing needs memory too";
  EXPECT_EQ(GlobalSize(b), 4u) << "a failed reallocation keeps the block";
  Win32FailGlobalAllocAfter(-1);
  HGLOBAL c = GlobalAlloc(GMEM_FIXED, 4);
  EXPECT_NE(c, nullptr);
  GlobalFree(a);
  GlobalFree(b);
  GlobalFree(c);
}

TEST(GlobalMemoryStandIn, LockedMovableBlockDoesNotMoveUnlessAllowed) {
  HGLOBAL movable = GlobalAlloc(GMEM_MOVEABLE, 8);
  void *address = GlobalLock(movable);
  EXPECT_EQ(GlobalReAlloc(movable, 1 << 20, 0), nullptr);
  EXPECT_EQ(GlobalLock(movable), address);
  HGLOBAL moved = GlobalReAlloc(movable, 1 << 20, GMEM_MOVEABLE);
  EXPECT_EQ(moved, movable);
  EXPECT_EQ(GlobalSize(moved), (SIZE_T)1 << 20);
  GlobalFree(moved);

  HGLOBAL fixed = GlobalAlloc(GMEM_FIXED, 8);
  EXPECT_EQ(GlobalReAlloc(fixed, 1 << 20, 0), nullptr) << "a fixed block grows only where it is";
  HGLOBAL grownFixed = GlobalReAlloc(fixed, 1 << 20, GMEM_MOVEABLE);
  ASSERT_NE(grownFixed, nullptr);
  EXPECT_EQ(GlobalLock(grownFixed), (void *)grownFixed);
  GlobalFree(grownFixed);
}
#endif

}  // namespace
