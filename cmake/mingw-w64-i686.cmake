# Cross-compiling a native 32-bit Windows preflister.exe with mingw-w64, for
# the PCs that still run 32-bit Windows:
#   cmake -S . -B build-windows/x86 -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-i686.cmake -DPREFLISTER_TESTS=OFF
set(CMAKE_SYSTEM_PROCESSOR x86)
set(PREFLISTER_MINGW_PREFIX i686-w64-mingw32)
set(PREFLISTER_MINGW_PACKAGE g++-mingw-w64-i686-posix)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-w64-common.cmake)
