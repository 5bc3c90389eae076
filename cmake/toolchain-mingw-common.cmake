# What both MinGW-w64 toolchain files share, for the target that the including
# file names in NUVEX_MINGW_TRIPLE (and CMAKE_SYSTEM_PROCESSOR).
# The "-win32" compilers use native Windows threads, so a statically linked
# module needs no threading DLL of its own.
set(CMAKE_SYSTEM_NAME Windows)

find_program(CMAKE_C_COMPILER NAMES ${NUVEX_MINGW_TRIPLE}-gcc-win32 ${NUVEX_MINGW_TRIPLE}-gcc REQUIRED)
find_program(CMAKE_CXX_COMPILER NAMES ${NUVEX_MINGW_TRIPLE}-g++-win32 ${NUVEX_MINGW_TRIPLE}-g++ REQUIRED)
find_program(CMAKE_RC_COMPILER NAMES ${NUVEX_MINGW_TRIPLE}-windres REQUIRED)

set(CMAKE_FIND_ROOT_PATH /usr/${NUVEX_MINGW_TRIPLE})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# Every program of the build links the C and C++ runtimes statically, so that
# it runs with nothing beyond the system's DLLs (under Wine too).
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")
