# The shipped build: 32-bit Windows (PE32), cross-compiled with mingw-w64's default
# compiler flavour.
set(QV_MINGW_TARGET i686-w64-mingw32)
set(QV_MINGW_THREADS win32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-w64.cmake)
