#include "pak_memory.h"

#include <stdlib.h>

void *PakAlloc(size_t size) {
  void *block = malloc(size ? size : 1);
  if (!block) exit(kPakOutOfMemoryExitCode);
  return block;
}

void PakFree(void *block) { free(block); }
