// A stand-in setup program for Windows: writes its raw command line and its current
// directory, one per line, into the file that %QV_RECORD% names.
#include "win32.h"

#include <cstdio>

int main() {
  char record[MAX_PATH], directory[MAX_PATH];
  if (!GetEnvironmentVariableA("QV_RECORD", record, sizeof record)) return 1;
  if (!GetCurrentDirectoryA(sizeof directory, directory)) return 1;
  FILE *f = std::fopen(record, "wb");
  if (!f) return 1;
  std::fprintf(f, "%s\n%s\n", GetCommandLineA(), directory);
  return std::fclose(f) == 0 ? 0 : 1;
}
