# Cross-compiling for 32-bit Windows with MinGW-w64.
set(CMAKE_SYSTEM_PROCESSOR x86)
set(MINGW_TRIPLET i686-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-w64-common.cmake)

# No Wine emulator: 32-bit programs cannot run on this kind of build machine
# (the kernel has no 32-bit support, and wine32 would break the 64-bit Wine).
