# Cross-compiles zentro.exe for 64-bit Windows with MinGW-w64 (Debian's
# g++-mingw-w64-x86-64-posix). The executable is linked statically, so it
# needs no MinGW DLLs and runs on a bare Windows.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(ZENTRO_MINGW_TRIPLE x86_64-w64-mingw32)
find_program(CMAKE_CXX_COMPILER NAMES ${ZENTRO_MINGW_TRIPLE}-g++-posix ${ZENTRO_MINGW_TRIPLE}-g++
             REQUIRED)
find_program(CMAKE_RC_COMPILER NAMES ${ZENTRO_MINGW_TRIPLE}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${ZENTRO_MINGW_TRIPLE})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# --no-insert-timestamp: the executable's header carries no link time, so
# that the same source links to the same bytes.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++ -Wl,--no-insert-timestamp")

# Cross-built test programs run under wine.
find_program(ZENTRO_WINE NAMES wine64 wine PATHS /usr/lib/wine NO_CMAKE_FIND_ROOT_PATH)
if(ZENTRO_WINE)
  set(CMAKE_CROSSCOMPILING_EMULATOR ${ZENTRO_WINE})
endif()
