# Cross-compiling a native 64-bit Windows preflister.exe with mingw-w64:
#   cmake -S . -B build-windows/x64 -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake -DPREFLISTER_TESTS=OFF
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(PREFLISTER_MINGW_PREFIX x86_64-w64-mingw32)
set(PREFLISTER_MINGW_PACKAGE g++-mingw-w64-x86-64-posix)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-w64-common.cmake)
