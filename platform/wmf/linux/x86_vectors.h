// Which vector instructions the processor runs, for the conversions that have faster
// paths with them; asked once. Only GCC and Clang builds for x86 have those paths
// (QV_X86_VECTORS); every other build converts with the plain paths alone.
#ifndef QV_WMF_X86_VECTORS_H
#define QV_WMF_X86_VECTORS_H

#if defined(__GNUC__) && (defined(__x86_64__) || defined(__i386__))
#define QV_X86_VECTORS 1

namespace wmf {

enum class Vectors { Ssse3, Avx2 };

inline bool ProcessorRuns(Vectors set) {
  static const bool ssse3 = (__builtin_cpu_init(), __builtin_cpu_supports("ssse3") != 0);
  static const bool avx2 = __builtin_cpu_supports("avx2") != 0;
  return set == Vectors::Avx2 ? avx2 : ssse3;
}

}  // namespace wmf

#endif
#endif
