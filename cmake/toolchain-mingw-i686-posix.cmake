# The test programs of the shipped i686 build: the same target with the POSIX-threads
# flavour of the compiler. The shipped plug-in and launcher keep the default flavour
# (toolchain-mingw-i686.cmake); the tests load and start those very files
# (QV_SHIPPED_BUILD, see cmake/testing.cmake).
set(QV_MINGW_TARGET i686-w64-mingw32)
set(QV_MINGW_THREADS posix)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-w64.cmake)
