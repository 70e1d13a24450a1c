# Cross-compiling a native Windows (x86-64) preflister.exe with mingw-w64:
#   cmake -S . -B build-windows -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64.cmake -DPREFLISTER_TESTS=OFF
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(PREFLISTER_MINGW_PREFIX x86_64-w64-mingw32)
# The POSIX thread model's compiler: libstdc++ as Debian builds it for mingw.
find_program(CMAKE_CXX_COMPILER NAMES ${PREFLISTER_MINGW_PREFIX}-g++-posix ${PREFLISTER_MINGW_PREFIX}-g++)
find_program(CMAKE_RC_COMPILER NAMES ${PREFLISTER_MINGW_PREFIX}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${PREFLISTER_MINGW_PREFIX})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# One self-contained .exe: the C++ and thread runtimes linked in, so that it
# needs no DLL beyond the system's own.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")
