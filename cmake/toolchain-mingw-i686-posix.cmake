# The test programs of the shipped i686 build: the same target with the POSIX-threads
# flavour of the compiler, which GoogleTest needs for std::mutex. The shipped plug-in
# and launcher keep the default flavour (toolchain-mingw-i686.cmake); the tests load
# and start those very files (QV_SHIPPED_BUILD, see cmake/testing.cmake).
include(${CMAKE_CURRENT_LIST_DIR}/toolchain-mingw-i686.cmake)
set(CMAKE_C_COMPILER ${TOOLCHAIN_PREFIX}-gcc-posix)
set(CMAKE_CXX_COMPILER ${TOOLCHAIN_PREFIX}-g++-posix)
