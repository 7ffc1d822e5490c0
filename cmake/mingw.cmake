# What the MinGW-w64 toolchain files share; each sets CMAKE_SYSTEM_PROCESSOR (i686 or x86_64)
# before including this.
set(CMAKE_SYSTEM_NAME Windows)

set(QUORVIN_MINGW_PREFIX ${CMAKE_SYSTEM_PROCESSOR}-w64-mingw32)
# The posix threads variant carries std::thread and friends; either works for the game.
find_program(QUORVIN_MINGW_CXX NAMES ${QUORVIN_MINGW_PREFIX}-g++-posix ${QUORVIN_MINGW_PREFIX}-g++
             REQUIRED)
find_program(QUORVIN_MINGW_CC NAMES ${QUORVIN_MINGW_PREFIX}-gcc-posix ${QUORVIN_MINGW_PREFIX}-gcc
             REQUIRED)
set(CMAKE_CXX_COMPILER ${QUORVIN_MINGW_CXX})
set(CMAKE_C_COMPILER ${QUORVIN_MINGW_CC})
set(CMAKE_RC_COMPILER ${QUORVIN_MINGW_PREFIX}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${QUORVIN_MINGW_PREFIX})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# The C++ runtime, libgcc and winpthread go into the exe, so it needs nothing but the system's
# own DLLs next to it.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")
