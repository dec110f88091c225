# What every mingw-w64 toolchain file shares. The including file sets QV_MINGW_TARGET
# (i686-w64-mingw32 or x86_64-w64-mingw32) and QV_MINGW_THREADS: "win32" for the
# compiler's default flavour, "posix" for the POSIX-threads flavour that GoogleTest
# needs for std::mutex.
set(CMAKE_SYSTEM_NAME Windows)
string(REGEX MATCH "^[^-]+" CMAKE_SYSTEM_PROCESSOR ${QV_MINGW_TARGET})
if(QV_MINGW_THREADS STREQUAL "posix")
  set(CMAKE_C_COMPILER ${QV_MINGW_TARGET}-gcc-posix)
  set(CMAKE_CXX_COMPILER ${QV_MINGW_TARGET}-g++-posix)
else()
  set(CMAKE_C_COMPILER ${QV_MINGW_TARGET}-gcc)
  set(CMAKE_CXX_COMPILER ${QV_MINGW_TARGET}-g++)
endif()
set(CMAKE_RC_COMPILER ${QV_MINGW_TARGET}-windres)
set(CMAKE_DLLTOOL ${QV_MINGW_TARGET}-dlltool)
set(CMAKE_OBJDUMP ${QV_MINGW_TARGET}-objdump)
set(CMAKE_FIND_ROOT_PATH /usr/${QV_MINGW_TARGET})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
