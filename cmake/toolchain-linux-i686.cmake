# 32-bit x86 Linux with the native GCC's -m32: the 32-bit run of the tests on machines
# whose kernel runs no 32-bit programs, where they run under qemu-user instead.
set(CMAKE_SYSTEM_NAME Linux)
set(CMAKE_SYSTEM_PROCESSOR i686)
set(CMAKE_C_COMPILER gcc)
set(CMAKE_CXX_COMPILER g++)
# 64-bit file offsets: under the emulator readdir reports the host's 64-bit inode
# numbers, which the 32-bit calls refuse with EOVERFLOW.
set(CMAKE_C_FLAGS_INIT "-m32 -D_FILE_OFFSET_BITS=64")
set(CMAKE_CXX_FLAGS_INIT "-m32 -D_FILE_OFFSET_BITS=64")
foreach(kind EXE SHARED MODULE)
  set(CMAKE_${kind}_LINKER_FLAGS_INIT "-m32")
endforeach()
set(CMAKE_LIBRARY_ARCHITECTURE i386-linux-gnu)
set(ENV{PKG_CONFIG_LIBDIR} /usr/lib/i386-linux-gnu/pkgconfig:/usr/share/pkgconfig)
find_program(QV_QEMU_I386 qemu-i386-static)
if(QV_QEMU_I386)
  set(CMAKE_CROSSCOMPILING_EMULATOR ${QV_QEMU_I386})
endif()
