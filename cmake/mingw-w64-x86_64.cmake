# Cross-build of the 64-bit Windows DLLs with MinGW-w64 (Debian package
# g++-mingw-w64-x86-64-posix), the build that runs under wine64:
#   cmake -S . -B build-win64 -G Ninja -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(CHIMEKIT_MINGW_TRIPLE x86_64-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-w64.cmake)
