# Cross-build for 64-bit ARM Linux with Debian's g++-aarch64-linux-gnu, against the :arm64
# development packages installed beside the native ones (multiarch).
#   cmake -S . -B build-arm64 -G Ninja -DCMAKE_TOOLCHAIN_FILE=cmake/aarch64-linux-gnu.cmake
set(CMAKE_SYSTEM_NAME Linux)
set(CMAKE_SYSTEM_PROCESSOR aarch64)

set(QUORVIN_CROSS_TRIPLET aarch64-linux-gnu)
find_program(QUORVIN_CROSS_CXX ${QUORVIN_CROSS_TRIPLET}-g++ REQUIRED)
find_program(QUORVIN_CROSS_CC ${QUORVIN_CROSS_TRIPLET}-gcc REQUIRED)
set(CMAKE_CXX_COMPILER ${QUORVIN_CROSS_CXX})
set(CMAKE_C_COMPILER ${QUORVIN_CROSS_CC})
set(CMAKE_LIBRARY_ARCHITECTURE ${QUORVIN_CROSS_TRIPLET})

# GoogleTest's discovery at build time and CTest start the test programs through qemu by name.
# Programs those start in turn (the crash test's save loop) need qemu registered with
# binfmt_misc all the same.
find_program(QUORVIN_CROSS_EMULATOR qemu-aarch64-static qemu-aarch64)
if(QUORVIN_CROSS_EMULATOR)
    set(CMAKE_CROSSCOMPILING_EMULATOR ${QUORVIN_CROSS_EMULATOR})
endif()
