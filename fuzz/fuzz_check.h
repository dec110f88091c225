/* A fuzzer's own expectation: when it does not hold, the input is a finding. */
#ifndef QV_FUZZ_CHECK_H
#define QV_FUZZ_CHECK_H

#include <cstdio>
#include <cstdlib>

#define FUZZ_CHECK(condition) \
  ((condition) ? (void)0 : FuzzCheckFailed(#condition, __FILE__, __LINE__))

[[noreturn]] inline void FuzzCheckFailed(const char *condition, const char *file, int line) {
  std::fprintf(stderr, "%s:%d: expected %s\n", file, line, condition);
  std::abort();
}

#endif
