# Cross-compiling the programs for 64-bit Windows on Debian, with its
# MinGW-w64 toolchain (g++-mingw-w64-x86-64-posix: the POSIX thread model,
# which std::thread needs). scripts/build-windows.sh uses it:
#
#   cmake -S . -B build-windows -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(ORTELAN_MINGW_TRIPLE x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${ORTELAN_MINGW_TRIPLE}-gcc-posix)
set(CMAKE_CXX_COMPILER ${ORTELAN_MINGW_TRIPLE}-g++-posix)
set(CMAKE_RC_COMPILER ${ORTELAN_MINGW_TRIPLE}-windres)

# Libraries and headers of the target only; programs of the build machine.
set(CMAKE_FIND_ROOT_PATH /usr/${ORTELAN_MINGW_TRIPLE})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# printf and its kin from MinGW's own implementation, which writes long
# double as the C standard says (the system's msvcrt takes it for double).
set(CMAKE_CXX_FLAGS_INIT "-D__USE_MINGW_ANSI_STDIO=1")
# The programs run on a bare Windows: the C++ runtime, libgcc and the
# thread library are linked in.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static")
