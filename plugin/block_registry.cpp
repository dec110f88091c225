// The live instance blocks, in a small array: a host keeps a handful at a time, and
// every piLocal call looks its handle up here before it reads the block.
#include "block_registry.h"

#include <stdlib.h>

namespace {

HGLOBAL *g_blocks = nullptr;
size_t g_count = 0;
size_t g_capacity = 0;

size_t IndexOf(HGLOBAL handle) {
  for (size_t i = 0; i < g_count; ++i)
    if (g_blocks[i] == handle) return i;
  return g_count;
}

}  // namespace

bool RememberBlock(HGLOBAL handle) {
  if (g_count == g_capacity) {
    size_t capacity = g_capacity ? g_capacity * 2 : 8;
    void *grown = realloc(g_blocks, capacity * sizeof(HGLOBAL));
    if (!grown) return false;
    g_blocks = static_cast<HGLOBAL *>(grown);
    g_capacity = capacity;
  }
  g_blocks[g_count++] = handle;
  return true;
}

void ForgetBlock(HGLOBAL handle) {
  size_t at = IndexOf(handle);
  if (at == g_count) return;
  g_blocks[at] = g_blocks[--g_count];
}

bool IsKnownBlock(HGLOBAL handle) { return handle && IndexOf(handle) < g_count; }

void ForgetAllBlocks() {
  free(g_blocks);
  g_blocks = nullptr;
  g_count = g_capacity = 0;
}
