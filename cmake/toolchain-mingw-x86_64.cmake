# 64-bit Windows, built only so that the tests can run under wine64: the
# POSIX-threads flavour of the compiler, for GoogleTest. The shipped i686 build keeps
# the default.
set(QV_MINGW_TARGET x86_64-w64-mingw32)
set(QV_MINGW_THREADS posix)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-w64.cmake)
