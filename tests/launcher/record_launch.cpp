// A stand-in setup program: records its arguments and current directory in the file
// that $QV_RECORD names, one per line, so that a test can see how it was started.
#include <cstdio>
#include <cstdlib>
#include <unistd.h>

int main(int argc, char **argv) {
  const char *record = std::getenv("QV_RECORD");
  if (!record) return 1;
  char cwd[4096];
  if (!getcwd(cwd, sizeof cwd)) return 1;
  FILE *f = std::fopen(record, "w");
  if (!f) return 1;
  std::fprintf(f, "argc=%d\n", argc);
  for (int i = 1; i < argc; i++) std::fprintf(f, "arg=%s\n", argv[i]);
  std::fprintf(f, "cwd=%s\n", cwd);
  return std::fclose(f) == 0 ? 0 : 1;
}
