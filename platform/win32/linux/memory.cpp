// The GlobalAlloc family. Every live block is registered under its handle, so that
// a handle that was never handed out or was freed already is refused rather than
// freed. A fixed block's handle is its (16-byte aligned) address; a movable
// block's handle is its bookkeeping record's address plus 8, which can never equal a
// block address and which names nothing once the block is gone.
#include "win32.h"

#include <cstdlib>
#include <cstring>
#include <mutex>
#include <new>
#include <unordered_map>
#include <utility>

#include "large_block.h"
#include "lasting.h"

namespace {

struct alignas(16) Block {
  // Frames pass between host and plug-in in these blocks: large ones get huge pages
  // (see large_block.h). None for an empty movable block.
  largeblock::LargeBlock memory;
  void *data() const { return memory.get(); }
  SIZE_T size = 0;
  bool movable = false;
  UINT locks = 0;        // movable blocks only
};

constexpr uintptr_t kMovableTag = 8;
constexpr UINT kMaxLocks = GMEM_LOCKCOUNT;

std::mutex table_mutex;
using BlockTable = std::unordered_map<uintptr_t, Block *>;
BlockTable &by_handle = Lasting<BlockTable>();        // every live block
BlockTable &movable_by_data = Lasting<BlockTable>();  // movable blocks with memory
LONG allocations_left = -1;                             // < 0: no failures injected

uintptr_t HandleOf(const Block *block) {
  return block->movable ? reinterpret_cast<uintptr_t>(block) + kMovableTag
                        : reinterpret_cast<uintptr_t>(block->data());
}

// Called with the table locked.
bool AllocationAllowed() {
  if (allocations_left < 0) return true;
  if (allocations_left == 0) return false;
  --allocations_left;
  return true;
}

largeblock::LargeBlock AllocateBytes(SIZE_T bytes, bool zero) {
  largeblock::LargeBlock memory = largeblock::LargeBlock::Allocate(bytes);
  if (memory && zero && !memory.Zeroed()) std::memset(memory.get(), 0, bytes ? bytes : 1);
  return memory;
}

Block *Find(HGLOBAL handle) {
  auto it = by_handle.find(reinterpret_cast<uintptr_t>(handle));
  return it == by_handle.end() ? nullptr : it->second;
}

// The block a caller's handle names; an unknown or stale handle sets the thread's
// last error, as kernel32 does, and gives null.
Block *FindForCaller(HGLOBAL handle) {
  Block *block = Find(handle);
  if (!block) SetLastError(ERROR_INVALID_HANDLE);
  return block;
}

void Forget(Block *block) {
  by_handle.erase(HandleOf(block));
  if (block->movable && block->data()) movable_by_data.erase(reinterpret_cast<uintptr_t>(block->data()));
}

void Remember(Block *block) {
  by_handle[HandleOf(block)] = block;
  if (block->movable && block->data()) movable_by_data[reinterpret_cast<uintptr_t>(block->data())] = block;
}

}  // namespace

extern "C" HGLOBAL WINAPI GlobalAlloc(UINT flags, SIZE_T bytes) {
  std::lock_guard<std::mutex> lock(table_mutex);
  if (!AllocationAllowed()) {
    SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    return nullptr;
  }
  Block *block = new (std::nothrow) Block;
  if (!block) {
    SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    return nullptr;
  }
  block->movable = (flags & GMEM_MOVEABLE) != 0;
  block->size = bytes;
  // A movable block of 0 bytes has a handle but no memory, as on Windows.
  if (!block->movable || bytes > 0) {
    block->memory = AllocateBytes(bytes, (flags & GMEM_ZEROINIT) != 0);
    if (!block->data()) {
      delete block;
      SetLastError(ERROR_NOT_ENOUGH_MEMORY);
      return nullptr;
    }
  }
  Remember(block);
  return reinterpret_cast<HGLOBAL>(HandleOf(block));
}

extern "C" LPVOID WINAPI GlobalLock(HGLOBAL handle) {
  std::lock_guard<std::mutex> lock(table_mutex);
  Block *block = FindForCaller(handle);
  if (!block) return nullptr;
  if (!block->movable) return block->data();
  if (!block->data()) return nullptr;  // empty (discarded) block
  if (block->locks < kMaxLocks) ++block->locks;
  return block->data();
}

extern "C" BOOL WINAPI GlobalUnlock(HGLOBAL handle) {
  std::lock_guard<std::mutex> lock(table_mutex);
  Block *block = FindForCaller(handle);
  if (!block) return FALSE;
  if (!block->movable) return TRUE;  // fixed blocks are never locked; kernel32 answers TRUE
  if (block->locks == 0) {
    SetLastError(ERROR_NOT_LOCKED);
    return FALSE;
  }
  if (--block->locks == 0) {
    SetLastError(NO_ERROR);
    return FALSE;
  }
  return TRUE;
}

extern "C" SIZE_T WINAPI GlobalSize(HGLOBAL handle) {
  std::lock_guard<std::mutex> lock(table_mutex);
  Block *block = FindForCaller(handle);
  if (!block) return 0;
  return block->data() ? block->size : 0;
}

extern "C" UINT WINAPI GlobalFlags(HGLOBAL handle) {
  std::lock_guard<std::mutex> lock(table_mutex);
  Block *block = FindForCaller(handle);
  if (!block) return GMEM_INVALID_HANDLE;
  if (!block->movable) return 0;
  return block->locks | (block->data() ? 0u : (UINT)GMEM_DISCARDED);
}

extern "C" HGLOBAL WINAPI GlobalHandle(LPCVOID address) {
  std::lock_guard<std::mutex> lock(table_mutex);
  uintptr_t key = reinterpret_cast<uintptr_t>(address);
  auto movable = movable_by_data.find(key);
  if (movable != movable_by_data.end()) return reinterpret_cast<HGLOBAL>(HandleOf(movable->second));
  Block *block = Find(const_cast<LPVOID>(address));
  if (block) return reinterpret_cast<HGLOBAL>(HandleOf(block));
  SetLastError(ERROR_INVALID_HANDLE);
  return nullptr;
}

extern "C" HGLOBAL WINAPI GlobalFree(HGLOBAL handle) {
  if (!handle) return nullptr;
  std::lock_guard<std::mutex> lock(table_mutex);
  Block *block = FindForCaller(handle);
  if (!block) return handle;
  // Windows frees a movable block even while it is locked.
  Forget(block);
  delete block;
  return nullptr;
}

extern "C" HGLOBAL WINAPI GlobalReAlloc(HGLOBAL handle, SIZE_T bytes, UINT flags) {
  std::lock_guard<std::mutex> lock(table_mutex);
  Block *block = FindForCaller(handle);
  if (!block) return nullptr;
  if (flags & GMEM_MODIFY) {
    // Changing a block's attributes: only its movable state matters here, and a
    // fixed block cannot become movable without a new handle.
    if ((flags & GMEM_MOVEABLE) && !block->movable) {
      SetLastError(ERROR_INVALID_PARAMETER);
      return nullptr;
    }
    return handle;
  }
  bool zero = (flags & GMEM_ZEROINIT) != 0;
  if (bytes <= block->size && block->data()) {
    block->size = bytes;  // shrinking keeps the memory where it is
    return handle;
  }
  // Growing moves the memory: a fixed block only when the caller allows it (and then
  // its handle changes with its address), a movable block only while it is unlocked
  // or the caller allows it.
  bool may_move = block->movable ? (block->locks == 0 || (flags & GMEM_MOVEABLE)) : (flags & GMEM_MOVEABLE) != 0;
  if (block->data() && !may_move) {
    SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    return nullptr;
  }
  if (!AllocationAllowed()) {
    SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    return nullptr;
  }
  largeblock::LargeBlock memory = AllocateBytes(bytes, false);
  void *data = memory.get();
  if (!data) {
    SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    return nullptr;
  }
  SIZE_T kept = block->data() ? block->size : 0;
  if (kept) std::memcpy(data, block->data(), kept);
  if (zero && bytes > kept) std::memset(static_cast<BYTE *>(data) + kept, 0, bytes - kept);
  Forget(block);
  block->memory = std::move(memory);
  block->size = bytes;
  Remember(block);
  return reinterpret_cast<HGLOBAL>(HandleOf(block));
}

extern "C" void Win32FailGlobalAllocAfter(LONG count) {
  std::lock_guard<std::mutex> lock(table_mutex);
  allocations_left = count < 0 ? -1 : count;
}

extern "C" LONG Win32GlobalBlockCount(void) {
  std::lock_guard<std::mutex> lock(table_mutex);
  return (LONG)by_handle.size();
}
