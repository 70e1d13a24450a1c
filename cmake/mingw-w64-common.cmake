# What the two Windows toolchain files share; each sets the processor, the
# compiler prefix and the Debian package that holds the compiler first.
set(CMAKE_SYSTEM_NAME Windows)

# The POSIX thread model's compiler: libstdc++ as Debian builds it for mingw.
find_program(PREFLISTER_MINGW_CXX NAMES ${PREFLISTER_MINGW_PREFIX}-g++-posix ${PREFLISTER_MINGW_PREFIX}-g++)
if(NOT PREFLISTER_MINGW_CXX)
  # Without this stop, CMake would go on with the host's compiler and fail
  # much later, at the link, with flags it does not know.
  message(FATAL_ERROR "The mingw-w64 cross compiler ${PREFLISTER_MINGW_PREFIX}-g++-posix (or -g++) was not "
                      "found: install ${PREFLISTER_MINGW_PACKAGE} (Debian) to build the Windows program.")
endif()
set(CMAKE_CXX_COMPILER ${PREFLISTER_MINGW_CXX})
find_program(CMAKE_RC_COMPILER NAMES ${PREFLISTER_MINGW_PREFIX}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${PREFLISTER_MINGW_PREFIX})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# One self-contained .exe: the C++ and thread runtimes linked in, so that it
# needs no DLL beyond the system's own.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")
