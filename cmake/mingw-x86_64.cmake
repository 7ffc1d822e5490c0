# Cross-build for 64-bit Windows with MinGW-w64 (Debian's g++-mingw-w64-x86-64): the same sources,
# for running the Windows tests under wine64 on hosts that cannot run 32-bit programs.
#   cmake -S . -B build-win64 -G Ninja -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-x86_64.cmake
set(CMAKE_SYSTEM_PROCESSOR x86_64)
include(${CMAKE_CURRENT_LIST_DIR}/mingw.cmake)
