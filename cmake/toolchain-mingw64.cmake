# Cross-building for 64-bit Windows on Debian with MinGW-w64, the posix-thread variant (std::thread and
# std::mutex need it), with the C and C++ runtimes linked in so that the programs need only system DLLs.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(KIRVA_MINGW_PREFIX x86_64-w64-mingw32)

set(CMAKE_C_COMPILER ${KIRVA_MINGW_PREFIX}-gcc-posix)
set(CMAKE_CXX_COMPILER ${KIRVA_MINGW_PREFIX}-g++-posix)
set(CMAKE_RC_COMPILER ${KIRVA_MINGW_PREFIX}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${KIRVA_MINGW_PREFIX})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")

# Tests are run through Wine on this machine.
set(CMAKE_CROSSCOMPILING_EMULATOR wine)

# No symbols in the shipped programs.
set(CMAKE_EXE_LINKER_FLAGS_RELEASE_INIT "-s")
